#include "Await.h"
#include "AppModelTestSeam.h"
#include "KeyboardWalk.h"
#include "Screenshots.h"
#include "UiTest.h"
#include "UserTexts.h"

#include "ui/panel/AppAppearance.h"
#include "ui/panel/HoverRowButton.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/windows/DecisionWindows.h"
#include "ui/windows/LayoutChooserView.h"
#include "ui/windows/MissingDisplayView.h"
#include "ui/windows/WindowResolutionView.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace ostrel;
using namespace ostrel::test;

namespace {

Layout counted(qsizetype windows, qsizetype displays)
{
    Layout layout;
    layout.entries.resize(windows);
    layout.displays.resize(displays);
    return layout;
}

TEST(LayoutChooserSummaryTest, WindowsAndDisplaysAreCountedInWords)
{
    EXPECT_EQ(LayoutChooserView::summary(counted(1, 1)), "1 window · 1 display");
    EXPECT_EQ(LayoutChooserView::summary(counted(1, 2)), "1 window · 2 displays");
    EXPECT_EQ(LayoutChooserView::summary(counted(0, 1)), "0 windows · 1 display");
    EXPECT_EQ(LayoutChooserView::summary(counted(3, 2)), "3 windows · 2 displays");
}

class LayoutChooserViewTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
        addApplication("com.example.mail", "Mail", {{700, 200, 500, 500}});
        start();
        registerDecisionWindows(*presenter, viewEnvironment());
    }

    LayoutChooserView *view() const
    {
        QWidget *window = presenter->window(QString(WindowID::chooser));
        return window ? window->findChild<LayoutChooserView *>() : nullptr;
    }
    void open()
    {
        presenter->showChooser();
        ASSERT_NE(view(), nullptr);
        settle();
    }
    QList<HoverRowButton *> rows() const
    {
        return view()->findChildren<HoverRowButton *>("chooser-row");
    }
    HoverRowButton *row(const QString &name) const
    {
        for (HoverRowButton *r : rows()) {
            if (r->accessibleName() == "Restore " + name) {
                return r;
            }
        }
        return nullptr;
    }
    QWidget *notice() const { return view()->findChild<QWidget *>("chooser-permission-notice"); }
    void press(int key) const
    {
        QWidget *window = view()->window();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(view(), Qt::Key(key));
    }
};

TEST_F(LayoutChooserViewTest, EveryLayoutIsARowWithItsCountsAndShortcut)
{
    const Layout work = saveCurrentWindows("Work");
    const Layout plain = saveCurrentWindows("<b>R&D</b> %1");
    ASSERT_EQ(await(model->setLayoutShortcut(Shortcut{12, 0x100 | 0x800}, work.id)), std::nullopt);
    open();
    ASSERT_EQ(rows().size(), 2);
    EXPECT_FALSE(view()->findChild<QWidget *>("chooser-empty")->isVisible());
    HoverRowButton *workRow = row("Work");
    ASSERT_NE(workRow, nullptr);
    const QLabel *summary = workRow->findChild<QLabel *>("chooser-row-summary");
    EXPECT_EQ(summary->text(), "2 windows · 1 display");
    // Drawn in the dimmed secondary style, although it lies inside a button.
    EXPECT_LT(summary->palette().color(summary->foregroundRole()).alphaF(), 0.9);
    EXPECT_EQ(workRow->accessibleDescription(),
              "Selects this layout and restores its saved windows.");
    ASSERT_NE(workRow->findChild<ShortcutBadge *>(), nullptr);
    EXPECT_EQ(workRow->findChild<ShortcutBadge *>()->text(), "Alt+Super+Q");
    // A name from the user is a name, never markup.
    HoverRowButton *plainRow = row("<b>R&D</b> %1");
    ASSERT_NE(plainRow, nullptr);
    EXPECT_EQ(plainRow->findChild<LineLimitedLabel *>("chooser-row-name")->text(), "<b>R&D</b> %1");
    EXPECT_EQ(plainRow->findChild<ShortcutBadge *>(), nullptr);
    for (HoverRowButton *r : rows()) {
        EXPECT_TRUE(r->isEnabled());
    }
    EXPECT_FALSE(notice()->isVisible());

    // A layout saved while the window is open gets its row.
    saveCurrentWindows("Later");
    settle();
    EXPECT_EQ(rows().size(), 3);
}

TEST_F(LayoutChooserViewTest, RowsWaitForAccessAnIdleModelAndUsableStorage)
{
    const Layout work = saveCurrentWindows("Work");
    open();
    HoverRowButton *workRow = row("Work");
    struct Case {
        const char *state;
        std::function<void()> apply;
        std::function<void()> undo;
    };
    const Case cases[] = {
        {"busy", [&] { AppModelTestSeam(model).setBusy(OperationKind::restoring); },
         [&] { AppModelTestSeam(model).setBusy(std::nullopt); }},
        {"exclusion pending",
         [&] { AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("x")}); },
         [&] { AppModelTestSeam(model).setPendingMutations({}); }},
        {"storage problem", [&] { AppModelTestSeam(model).setStorageProblem(StorageProblem{}); },
         [&] { AppModelTestSeam(model).setStorageProblem(std::nullopt); }},
    };
    for (const Case &c : cases) {
        c.apply();
        settle();
        EXPECT_FALSE(workRow->isEnabled()) << c.state;
        EXPECT_FALSE(notice()->isVisible()) << c.state;
        workRow->click();
        EXPECT_EQ(model->restoreStatus().busy == OperationKind::restoring,
                  std::string(c.state) == "busy");
        EXPECT_TRUE(isOpen(WindowID::chooser)) << c.state;
        c.undo();
        settle();
        EXPECT_TRUE(workRow->isEnabled()) << c.state;
    }
}

TEST_F(LayoutChooserViewTest, WithoutAccessANoticeSaysWhatAccessNeedsAndOffersARecheck)
{
    saveCurrentWindows("Work");
    desktop.setTrusted(false);
    await(model->refreshPermission(false));
    open();
    EXPECT_TRUE(notice()->isVisible());
    EXPECT_FALSE(row("Work")->isEnabled());

    // Nothing on X11 opens a settings pane or asks for access: Recheck is the one button.
    EXPECT_EQ(notice()->findChildren<PanelButton *>().size(), 1);
    EXPECT_NE(notice()->findChild<PanelButton *>("chooser-recheck"), nullptr);
    EXPECT_TRUE(
        userTexts(notice()).contains("Run a window manager that supports EWMH, then Recheck."));

    // Access granted meanwhile: Recheck finds it, without reopening the window.
    desktop.setTrusted(true);
    view()->findChild<PanelButton *>("chooser-recheck")->click();
    ASSERT_TRUE(waitUntil([&] { return model->session().permissionTrusted; }));
    settle();
    EXPECT_FALSE(notice()->isVisible());
    EXPECT_TRUE(row("Work")->isEnabled());
}

TEST_F(LayoutChooserViewTest, TabFollowsTheReadingOrderWithNoInvisibleStops)
{
    open();
    ASSERT_NE(view(), nullptr);
    test::expectTabInReadingOrder(view()->window());
}

TEST_F(LayoutChooserViewTest, AClickSelectsRestoresAndCloses)
{
    const Layout work = saveCurrentWindows("Work");
    const Layout other = saveCurrentWindows("Other");
    ASSERT_EQ(model->settings().selectedLayoutID, other.id);
    open();
    // The restore may run to its end within the click on a fast build: what it was busy with is
    // read as it is published.
    std::optional<OperationKind> busy;
    QObject scope; // ends the connection with this test's locals
    QObject::connect(model.get(), &AppModel::restoreStatusChanged, &scope,
                     [&] { busy = busy ? busy : model->restoreStatus().busy; });
    row("Work")->click();
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(busy, OperationKind::restoring);
    EXPECT_FALSE(isOpen(WindowID::chooser));
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    EXPECT_EQ(model->restoreStatus().lastResult->layoutID, work.id);
}

TEST_F(LayoutChooserViewTest, AClickClosesAlsoWhenTheRestoreAsksForADisplay)
{
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)}, 1);
    addApplication("com.example.viewer", "Viewer", {{1600, 100, 800, 600}});
    const Layout wide = saveCurrentWindows("Wide");
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
    open();
    row("Wide")->click();
    EXPECT_FALSE(isOpen(WindowID::chooser));
    EXPECT_TRUE(isOpen(WindowID::missingDisplays));
    ASSERT_TRUE(model->restoreStatus().missingDisplayPrompt.has_value());
    EXPECT_EQ(model->restoreStatus().missingDisplayPrompt->layoutID, wide.id);
}

TEST_F(LayoutChooserViewTest, EscapeClosesWithoutChoosing)
{
    const Layout work = saveCurrentWindows("Work");
    AppModelTestSeam(model).setSelectedLayoutID(std::nullopt);
    open();
    press(Qt::Key_Escape);
    EXPECT_FALSE(isOpen(WindowID::chooser));
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);

    open();
    view()->findChild<QPushButton *>("chooser-close")->click();
    EXPECT_FALSE(isOpen(WindowID::chooser));
    EXPECT_EQ(model->settings().selectedLayoutID, std::nullopt);
}

TEST_F(LayoutChooserViewTest, WithoutLayoutsTheWindowSaysWhereToSaveOne)
{
    open();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(view()->findChild<QWidget *>("chooser-empty")->isVisible());
    EXPECT_FALSE(view()->findChild<QWidget *>("chooser-list")->isVisible());
    QStringList texts = userTexts(view());
    EXPECT_TRUE(texts.contains("Open Ostrel in the tray to save one."))
        << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("Save layouts from the tray."));
    renderToPng(view(), "chooser-empty");

    // Without a tray host the panel is the window titled "Ostrel", and the texts send the user
    // there.
    presenter->close(QString(WindowID::chooser));
    ViewEnvironment windowed = viewEnvironment();
    windowed.panelInTray = false;
    registerDecisionWindows(*presenter, windowed);
    open();
    texts = userTexts(view());
    EXPECT_TRUE(texts.contains("Open the Ostrel window to save one."));
    EXPECT_TRUE(texts.contains("Save layouts from the Ostrel window."));
    EXPECT_TRUE(texts.filter("tray").isEmpty()) << texts.join(" | ").toStdString();
}

TEST_F(LayoutChooserViewTest, Screenshots)
{
    const Layout work = saveCurrentWindows("Work");
    ASSERT_EQ(await(model->setLayoutShortcut(Shortcut{12, 0x100 | 0x800}, work.id)), std::nullopt);
    saveCurrentWindows(
        "Evening — reading, mail and the long list of everything else that was open");
    saveCurrentWindows("R&D");
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)}, 1);
    addApplication("com.example.viewer", "Viewer", {{1600, 100, 800, 600}});
    saveCurrentWindows("Two screens");
    for (int i = 1; i <= 6; ++i) {
        saveCurrentWindows(QStringLiteral("Spare %1").arg(i));
    }
    open();
    renderToPng(view(), "chooser");

    desktop.setTrusted(false);
    await(model->refreshPermission(false));
    settle();
    renderToPng(view(), "chooser-permission");
}

TEST_F(LayoutChooserViewTest, EveryDecisionWindowFollowsTheAppearanceSetting)
{
    presenter->showChooser();
    presenter->showMissingDisplays({});
    presenter->showResolution({});
    const QList<QWidget *> views{
        presenter->window(QString(WindowID::chooser))->findChild<LayoutChooserView *>(),
        presenter->window(QString(WindowID::missingDisplays))->findChild<MissingDisplayView *>(),
        presenter->window(QString(WindowID::resolution))->findChild<WindowResolutionView *>()};
    for (QWidget *content : views) {
        ASSERT_NE(content, nullptr);
        ASSERT_NE(AppAppearance::of(content), nullptr) << content->objectName().toStdString();
        EXPECT_FALSE(AppAppearance::of(content)->isDark());
    }
    model->setAppearance(AppearancePreference::dark);
    for (QWidget *content : views) {
        EXPECT_TRUE(AppAppearance::of(content)->isDark()) << content->objectName().toStdString();
    }
    model->setAppearance(AppearancePreference::system);
    systemAppearance.set(true);
    settle();
    for (QWidget *content : views) {
        EXPECT_TRUE(AppAppearance::of(content)->isDark()) << content->objectName().toStdString();
    }
}

} // namespace
