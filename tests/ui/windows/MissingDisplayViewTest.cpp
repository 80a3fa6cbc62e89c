#include "Await.h"
#include "AppModelTestSeam.h"
#include "KeyboardWalk.h"
#include "Screenshots.h"
#include "UiTest.h"

#include "ui/panel/PanelButton.h"
#include "ui/windows/DecisionWindows.h"
#include "ui/windows/MissingDisplayView.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// "Wide" was saved on two displays and "Tall" on two others that share the first; now the first
// is there with a third display of another make, so each layout misses one display.
class MissingDisplayViewTest : public UiTest {
protected:
    Layout wide;
    Layout tall;

    void SetUp() override
    {
        UiTest::SetUp();
        addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
        const qint32 viewer = desktop.addApplication("com.example.viewer", "Viewer");
        desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)},
                           1);
        const AXElement picture = desktop.addWindow(viewer, {1600, 100, 800, 600});
        start();
        registerDecisionWindows(*presenter, viewEnvironment());
        wide = saveCurrentWindows("Wide");
        desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(4, {0, 900, 1280, 1024}, 4)},
                           1);
        desktop.setFrame(picture, {100, 1000, 800, 600});
        tall = saveCurrentWindows("Tall");
        desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), other()}, 1);
    }

    static Screen other()
    {
        Screen s = screen(3, {1440, 0, 2560, 1440}, 3);
        s.identity = {99, 7, 0, 3};
        return s;
    }

    MissingDisplayView *view() const
    {
        QWidget *window = presenter->window(QString(WindowID::missingDisplays));
        return window ? window->findChild<MissingDisplayView *>() : nullptr;
    }
    template <class T>
    T *find(const char *name) const
    {
        return view() ? view()->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }
    QList<QComboBox *> pickers() const
    {
        return view()->findChildren<QComboBox *>(QStringLiteral("missing-display-picker"));
    }
    static QStringList items(const QComboBox *picker)
    {
        QStringList texts;
        for (int i = 0; i < picker->count(); ++i) {
            texts.append(picker->itemText(i));
        }
        return texts;
    }
    // The window's keys reach it while it is the active window, as they do for a person.
    void press(int key) const
    {
        QWidget *window = view()->window();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(view(), Qt::Key(key));
    }
};

TEST_F(MissingDisplayViewTest, APromptListsTheConnectedDisplaysAndRestoresOnTheChosenOne)
{
    model->restoreLayout(wide.id);
    ASSERT_TRUE(isOpen(WindowID::missingDisplays));
    ASSERT_NE(view(), nullptr);
    settle();

    ASSERT_EQ(pickers().size(), 1);
    QComboBox *picker = pickers().first();
    // Numbered in the prompt's order, by pixel size; the display's own name is not shown.
    EXPECT_EQ(items(picker), (QStringList{"Display 1 · 1440 × 900", "Display 2 · 2560 × 1440"}));
    EXPECT_EQ(picker->accessibleName(), "Restore Display 2 · 1920 × 1080 on");
    // Every missing display starts on the first connected one.
    EXPECT_EQ(picker->currentIndex(), 0);
    EXPECT_EQ(view()->choices().fallbacks.value("16-32-2"), "16-32-1");
    auto *restore = find<PanelButton>("missing-display-restore");
    EXPECT_TRUE(restore->isVisible());
    EXPECT_TRUE(restore->isEnabled());
    EXPECT_FALSE(find<QPushButton>("missing-display-close")->isVisible());

    // The restore may run to its end within the click on a fast build, so the choice is read
    // when the prompt is taken down, which happens after the operation got it.
    std::optional<QHash<QString, QString>> confirmed;
    QObject scope; // ends the connection with this test's locals
    QObject::connect(model.get(), &AppModel::restoreStatusChanged, &scope, [&] {
        if (!model->restoreStatus().missingDisplayPrompt
            && test::AppModelTestSeam(model).activeManualOperation()) {
            confirmed = test::AppModelTestSeam(model).activeManualOperation()->fallbacks;
        }
    });
    picker->setCurrentIndex(1);
    restore->click();
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
    EXPECT_EQ(confirmed, (QHash<QString, QString>{{"16-32-2", "99-7-3"}}));
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    EXPECT_EQ(model->restoreStatus().lastResult->layoutID, wide.id);
}

TEST_F(MissingDisplayViewTest, TabFollowsTheReadingOrderWithNoInvisibleStops)
{
    model->restoreLayout(wide.id);
    ASSERT_TRUE(isOpen(WindowID::missingDisplays));
    settle();
    ASSERT_NE(view(), nullptr);
    test::expectTabInReadingOrder(view()->window());
}

TEST_F(MissingDisplayViewTest, ConfirmingPassesOnlyTheDisplaysOfThePromptShown)
{
    model->restoreLayout(wide.id);
    settle();
    QComboBox *picker = pickers().first();
    picker->setCurrentIndex(1);

    // A restore of another layout asks in the same window about another display.
    model->restoreLayout(tall.id);
    settle();
    ASSERT_EQ(pickers().size(), 1);
    EXPECT_EQ(view()->choices().fallbacks,
              (QHash<QString, QString>{{"16-32-2", "99-7-3"}, {"16-32-4", "16-32-1"}}));
    // The restore is held at its first look at the desktop: unheld, it may end (and drop its
    // operation) before the click returns.
    const auto release =
        holdRestore([&] { find<PanelButton>("missing-display-restore")->click(); });
    const std::optional<ManualRestoreContext> running =
        test::AppModelTestSeam(model).activeManualOperation();
    release();
    ASSERT_TRUE(running.has_value());
    EXPECT_EQ(running->layoutID, tall.id);
    EXPECT_EQ(running->fallbacks, (QHash<QString, QString>{{"16-32-4", "16-32-1"}}));
}

TEST_F(MissingDisplayViewTest, RestoreWaitsForAnIdleModelAndTheKeysPressTheButtons)
{
    model->restoreLayout(wide.id);
    settle();
    auto *restore = find<PanelButton>("missing-display-restore");

    AppModelTestSeam(model).setBusy(OperationKind::capturing);
    settle();
    EXPECT_FALSE(restore->isEnabled());
    press(Qt::Key_Return);
    EXPECT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());
    EXPECT_EQ(model->restoreStatus().busy, OperationKind::capturing);

    AppModelTestSeam(model).setBusy(std::nullopt);
    settle();
    EXPECT_TRUE(restore->isEnabled());
    press(Qt::Key_Return);
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));

    // Escape cancels: the prompt and the restore it stood for are dropped.
    model->restoreLayout(wide.id);
    ASSERT_TRUE(isOpen(WindowID::missingDisplays));
    settle();
    press(Qt::Key_Escape);
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));

    // So does the window's own close button.
    model->restoreLayout(wide.id);
    ASSERT_TRUE(isOpen(WindowID::missingDisplays));
    presenter->window(QString(WindowID::missingDisplays))->close();
    settle();
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt, std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);
}

TEST_F(MissingDisplayViewTest, WithoutAPromptTheWindowOffersOnlyToClose)
{
    model->restoreLayout(wide.id);
    settle();
    AppModelTestSeam(model).setMissingDisplayPrompt(std::nullopt);
    settle();
    EXPECT_FALSE(find<PanelButton>("missing-display-restore")->isVisible());
    EXPECT_TRUE(find<QPushButton>("missing-display-close")->isVisible());
    EXPECT_TRUE(find<QPushButton>("missing-display-empty-close")->isVisible());
    EXPECT_TRUE(pickers().isEmpty());
    QStringList texts;
    for (const QLabel *label : view()->findChildren<QLabel *>()) {
        texts.append(label->text());
    }
    EXPECT_TRUE(texts.contains("No missing displays.")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("Choose a destination.")) << texts.join(" | ").toStdString();
    find<QPushButton>("missing-display-empty-close")->click();
    EXPECT_FALSE(isOpen(WindowID::missingDisplays));
}

TEST_F(MissingDisplayViewTest, TwoDisplaysWithOneKeyKeepTheOneChosen)
{
    model->restoreLayout(wide.id);
    MissingDisplayPrompt prompt = *model->restoreStatus().missingDisplayPrompt;
    // Two monitors of one make without serial numbers, told apart only by their place.
    CurrentDisplay twin = prompt.available.last();
    twin.frame.x += 2560;
    twin.pixelWidth = 1920;
    prompt.id = QUuid::createUuid();
    prompt.available.append(twin);
    AppModelTestSeam(model).setMissingDisplayPrompt(prompt);
    settle();
    QComboBox *picker = pickers().first();
    ASSERT_EQ(picker->count(), 3);
    picker->setCurrentIndex(2);
    // The model emits again with the same prompt; the choice shown stays where the user put it.
    AppModelTestSeam(model).setMissingDisplayPrompt(prompt);
    AppModelTestSeam(model).setBusy(std::nullopt);
    settle();
    EXPECT_EQ(picker->currentIndex(), 2);
    EXPECT_EQ(view()->choices().fallbacks.value("16-32-2"), "99-7-3");
}

TEST_F(MissingDisplayViewTest, NamesAreShownAsTheyAre)
{
    ASSERT_EQ(await(model->renameLayout(wide.id, "<b>R&D</b> %1")), std::nullopt);
    model->restoreLayout(wide.id);
    settle();
    QStringList texts;
    for (const QLabel *label : view()->findChildren<QLabel *>()) {
        if (label->text().contains("R&D")) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            texts.append(label->text());
        }
    }
    EXPECT_EQ(texts, QStringList{"Choose where “<b>R&D</b> %1” should restore."});
}

TEST_F(MissingDisplayViewTest, Screenshots)
{
    // Three saved displays, two of them missing, and three connected displays to choose from.
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2),
                        screen(5, {-1280, 0, 1280, 1024}, 5)},
                       1);
    addApplication("com.example.mail", "Mail", {{-1000, 100, 600, 500}});
    const Layout three = saveCurrentWindows("Studio — three displays");
    Screen projector = screen(6, {1440, 0, 3840, 2160}, 6);
    projector.identity = {77, 1, 0, 6};
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), other(), projector}, 1);
    model->restoreLayout(three.id);
    ASSERT_TRUE(isOpen(WindowID::missingDisplays));
    settle();
    ASSERT_EQ(pickers().size(), 2);
    renderToPng(view(), "missing-display");

    AppModelTestSeam(model).setMissingDisplayPrompt(std::nullopt);
    settle();
    renderToPng(view(), "missing-display-empty");
}

} // namespace
