#include "UiTest.h"
#include "AppModelTestSeam.h"

#include "Await.h"
#include "KeyboardWalk.h"
#include "Screenshots.h"

#include "ui/panel/AppAppearance.h"
#include "ui/panel/CompactMessage.h"
#include "ui/panel/LayoutDetailsView.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/ShortcutRecorder.h"
#include "ui/panel/UiFont.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace ostrel::test {
namespace {

constexpr quint32 ctrl = Shortcut::control;
constexpr quint32 opt = Shortcut::option;

bool shown(const QWidget *widget)
{
    return widget && widget->isVisible();
}

class LayoutDetailsTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        start();
        addApplication("org.example.editor", "Editor",
                       {{100, 100, 600, 400}, {700, 200, 500, 500}});
        addApplication("org.example.terminal", "Terminal", {{40, 500, 720, 360}});
        desk = saveCurrentWindows("Desk");
        couch = saveCurrentWindows("Couch");
        LayoutDetailsView::registerContent(viewEnvironment());
    }

    // Opens the window on a layout as the panel's "Manage Layout…" does.
    LayoutDetailsView *open(const QUuid &id)
    {
        model->setManageLayoutID(id);
        presenter->showLayoutDetails();
        QWidget *window = presenter->window(QString(WindowID::layoutDetails));
        EXPECT_NE(window, nullptr);
        if (!window) {
            return nullptr;
        }
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        settle();
        return window->findChild<LayoutDetailsView *>();
    }

    template <class T = QWidget>
    T *part(const QString &name)
    {
        QWidget *window = presenter->window(QString(WindowID::layoutDetails));
        T *found = window ? window->findChild<T *>(name) : nullptr;
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    LayoutDetailsView *currentView()
    {
        QWidget *window = presenter->window(QString(WindowID::layoutDetails));
        return window ? window->findChild<LayoutDetailsView *>() : nullptr;
    }

    // Answers the confirmation the window asks, after checking that it belongs to the window.
    void answer(const QString &title, const QString &buttonText)
    {
        QMessageBox *alert = presenter->activeAlert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->text(), title);
        EXPECT_EQ(alert->parentWidget(), presenter->window(QString(WindowID::layoutDetails)));
        EXPECT_EQ(alert->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(alert->defaultButton()->text(), "Cancel");
        EXPECT_TRUE(presenter->answerAlert(buttonText));
        settle();
    }

    QLineEdit *field() { return part<QLineEdit>("layout-name-field"); }
    QAbstractButton *button(const QString &name) { return part<QAbstractButton>(name); }

    void type(const QString &text)
    {
        field()->selectAll();
        QTest::keyClicks(field(), text);
        settle();
    }

    QString storedName(const QUuid &id)
    {
        const QStringList names = rows(QStringLiteral("SELECT name FROM layouts WHERE id = '%1'")
                                           .arg(id.toString(QUuid::WithoutBraces).toUpper()));
        return names.value(0);
    }

    Layout desk;
    Layout couch;
};

TEST_F(LayoutDetailsTest, TheIntroductionCountsWindowsAndDisplays)
{
    auto layoutWith = [](int entries, int displays) {
        Layout layout;
        layout.entries.resize(entries);
        layout.displays.resize(displays);
        return layout;
    };
    EXPECT_EQ(LayoutDetailsView::introductionDetail(layoutWith(1, 1)), "1 window · 1 display");
    EXPECT_EQ(LayoutDetailsView::introductionDetail(layoutWith(3, 2)), "3 windows · 2 displays");
    EXPECT_EQ(LayoutDetailsView::introductionDetail(layoutWith(0, 1)), "0 windows · 1 display");
}

TEST_F(LayoutDetailsTest, ShowsTheManagedLayoutWithItsWindows)
{
    LayoutDetailsView *view = open(desk.id);
    ASSERT_NE(view, nullptr);
    QWidget *window = view->window();
    EXPECT_EQ(window->windowTitle(), "Layout Details");
    EXPECT_EQ(view->objectName(), "layout-details-window");
    EXPECT_EQ(field()->text(), "Desk");
    EXPECT_FALSE(button("rename-layout-button")->isEnabled()) << "the stored name";

    const auto rows = window->findChildren<QWidget *>("layout-window-row");
    ASSERT_EQ(rows.size(), 3);
    const auto removes = window->findChildren<QAbstractButton *>("remove-window-button");
    ASSERT_EQ(removes.size(), 3);
    EXPECT_EQ(removes[0]->accessibleName(), "Remove Editor");
    EXPECT_EQ(removes[2]->accessibleName(), "Remove Terminal");
    EXPECT_EQ(rows[0]->findChild<LineLimitedLabel *>("layout-window-label")->text(), "Editor");
    EXPECT_EQ(rows[0]->findChild<LineLimitedLabel *>("layout-window-place")->text(),
              "Display 1 · 42% × 46%");
    EXPECT_FALSE(shown(part("no-saved-windows")));
    EXPECT_FALSE(shown(part("layout-unavailable")));
    EXPECT_NE(AppAppearance::of(window), nullptr) << "the window follows the appearance setting";
}

TEST_F(LayoutDetailsTest, TheWindowIsAsTallAsItsContentWithinTheScreensBound)
{
    // How far the form's content falls short of its scroll area and how far it runs past it.
    const auto bandAndOverflow = [](const QScrollArea *area) {
        const QWidget *content = area->widget();
        const int width = area->viewport()->width();
        const int needed = content->hasHeightForWidth() ? content->heightForWidth(width)
                                                        : content->sizeHint().height();
        const int shown = area->viewport()->height();
        return std::pair(std::max(0, shown - needed), std::max(0, needed - shown));
    };
    presenter->setMainScreenHeight([] { return std::optional<double>(1000); });
    LayoutDetailsView *view = open(desk.id);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->width(), 640);
    EXPECT_LT(view->height(), 875) << "three windows leave no empty band";
    EXPECT_EQ(view->window()->size(), view->size());
    EXPECT_LE(bandAndOverflow(part<QScrollArea>("layout-details-form")).first, 2);
    EXPECT_EQ(bandAndOverflow(part<QScrollArea>("layout-details-form")).second, 0);
    presenter->close(QString(WindowID::layoutDetails));
    settle();

    for (int i = 0; i < 30; ++i) {
        addApplication(QStringLiteral("org.example.app%1").arg(i), QStringLiteral("App %1").arg(i),
                       {{10.0 * i, 10.0 * i, 400, 300}});
    }
    const Layout many = saveCurrentWindows("Many");
    struct Case {
        std::optional<double> visibleHeight;
        int height;
    };
    for (const Case c : {Case{700.0, 600}, Case{1000.0, 875}, Case{std::nullopt, 875}}) {
        SCOPED_TRACE(c.height);
        presenter->setMainScreenHeight([c] { return c.visibleHeight; });
        view = open(many.id);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->size(), QSize(640, c.height));
        EXPECT_EQ(view->window()->size(), QSize(640, c.height));
        EXPECT_GT(bandAndOverflow(part<QScrollArea>("layout-details-form")).second, 0);
        presenter->close(QString(WindowID::layoutDetails));
        settle();
    }
}

TEST_F(LayoutDetailsTest, RenameIsOfferedForANewNameAndWarnsOfADuplicate)
{
    open(desk.id);
    struct Case {
        const char *typed;
        bool enabled;
        std::optional<QString> warning;
    };
    const Case cases[] = {
        {"   ", false, std::nullopt},
        {"Desk", false, std::nullopt},
        {"desk", true, std::nullopt}, // letter case alone is a change, and the layout is itself
        {"  couch ", true, "A layout named “Couch” already exists."},
        {"Office", true, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        type(c.typed);
        EXPECT_EQ(button("rename-layout-button")->isEnabled(), c.enabled);
        QWidget *warning = part("duplicate-name-warning");
        EXPECT_EQ(shown(warning), c.warning.has_value());
        if (c.warning) {
            EXPECT_EQ(warning->findChild<QLabel *>()->text(), *c.warning);
        }
        if (!c.enabled) {
            // Return does nothing either.
            QTest::keyClick(field(), Qt::Key_Return);
            settle();
            EXPECT_FALSE(
                model->savedData().pendingMutations.contains(MutationScope::rename(desk.id)));
            EXPECT_EQ(storedName(desk.id), "Desk");
        }
    }

    // The model refuses the duplicate; the typed text stays.
    type("  couch ");
    QTest::mouseClick(button("rename-layout-button"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !currentView()->isWorking(); }));
    settle();
    EXPECT_EQ(currentView()->errorMessage(), "A layout named “couch” already exists.");
    EXPECT_TRUE(shown(part("layout-details-error")));
    EXPECT_EQ(field()->text(), "  couch ");

    // Return renames; the field shows the stored name, and the error is gone.
    type("  Office ");
    QTest::keyClick(field(), Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return storedName(desk.id) == "Office" && !currentView()->isWorking(); }));
    settle();
    EXPECT_EQ(currentView()->errorMessage(), std::nullopt);
    EXPECT_FALSE(shown(part("layout-details-error")));
    EXPECT_EQ(field()->text(), "Office");
    EXPECT_FALSE(button("rename-layout-button")->isEnabled());
}

TEST_F(LayoutDetailsTest, WhileARenameOrReplaceRunsOnlyTheRemoveButtonsStayEnabled)
{
    LayoutDetailsView *view = open(desk.id);
    addApplication("org.example.notes", "Notes", {{300, 300, 400, 300}});
    struct Case {
        const char *what;
        std::function<void(const std::function<void()> &hold)> start;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {"rename",
         [&](const std::function<void()> &hold) {
             type("Office");
             hold();
             QTest::mouseClick(button("rename-layout-button"), Qt::LeftButton);
         },
         [&] { return storedName(desk.id) == "Office"; }},
        {"replace",
         [&](const std::function<void()> &hold) {
             QTest::mouseClick(button("replace-layout-button"), Qt::LeftButton);
             hold();
             answer("Replace Layout?", "Replace");
         },
         [&] { return model->layout(desk.id)->entries.size() == 4; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::function<void()> release;
        c.start([&] { release = holdStore(); });
        settle();
        EXPECT_TRUE(view->isWorking());
        EXPECT_FALSE(button("rename-layout-button")->isEnabled());
        EXPECT_FALSE(part<ShortcutRecorder>("shortcut-recorder")->isEnabled());
        EXPECT_FALSE(button("link-displays-button")->isEnabled());
        EXPECT_FALSE(button("replace-layout-button")->isEnabled());
        EXPECT_FALSE(button("delete-layout-button")->isEnabled());
        for (QAbstractButton *remove :
             view->findChildren<QAbstractButton *>("remove-window-button")) {
            EXPECT_TRUE(remove->isEnabled());
        }
        // A second rename is not sent.
        type("Studio");
        QTest::keyClick(field(), Qt::Key_Return);

        release();
        ASSERT_TRUE(waitUntil([&] { return !view->isWorking(); }));
        settle();
        EXPECT_TRUE(c.done());
        EXPECT_NE(storedName(desk.id), "Studio");
        EXPECT_EQ(view->errorMessage(), std::nullopt);
        EXPECT_TRUE(part<ShortcutRecorder>("shortcut-recorder")->isEnabled());
        EXPECT_TRUE(button("link-displays-button")->isEnabled());
        EXPECT_TRUE(button("replace-layout-button")->isEnabled());
        EXPECT_TRUE(button("delete-layout-button")->isEnabled());
    }
}

TEST_F(LayoutDetailsTest, PendingEditsAndMissingAccessDisableTheirOwnControls)
{
    LayoutDetailsView *view = open(desk.id);
    const auto removes = view->findChildren<QAbstractButton *>("remove-window-button");
    ASSERT_EQ(removes.size(), 3);
    const std::function<void()> release = holdStore();
    QTest::mouseClick(removes[1], Qt::LeftButton);
    settle();
    EXPECT_FALSE(view->isWorking()) << "a removal is not one of the working operations";
    EXPECT_TRUE(removes[0]->isEnabled());
    EXPECT_FALSE(removes[1]->isEnabled());
    EXPECT_TRUE(button("delete-layout-button")->isEnabled());
    release();
    ASSERT_TRUE(waitUntil([&] { return model->layout(desk.id)->entries.size() == 2; }));
    settle();
    EXPECT_EQ(view->findChildren<QAbstractButton *>("remove-window-button").size(), 2);

    // Replace… waits for a change of the exclusions, which changes what it would capture.
    std::function<void()> releaseExclusion = holdStore();
    (void)model->excludeApp("org.example.terminal", "Terminal");
    settle();
    ASSERT_TRUE(model->hasPendingExclusionMutation());
    EXPECT_FALSE(button("replace-layout-button")->isEnabled());
    EXPECT_TRUE(button("delete-layout-button")->isEnabled());
    releaseExclusion();
    ASSERT_TRUE(waitUntil([&] { return model->savedData().pendingMutations.isEmpty(); }));
    settle();
    EXPECT_TRUE(button("replace-layout-button")->isEnabled());

    setTrust(false);
    settle();
    EXPECT_FALSE(button("replace-layout-button")->isEnabled());
    EXPECT_TRUE(button("delete-layout-button")->isEnabled());
}

TEST_F(LayoutDetailsTest, ASuccessfulDeleteClosesTheWindowAndAFailedOneKeepsIt)
{
    open(desk.id);
    QTest::mouseClick(button("delete-layout-button"), Qt::LeftButton);
    answer("Delete Layout?", "Cancel");
    EXPECT_TRUE(isOpen(WindowID::layoutDetails));
    EXPECT_TRUE(model->layout(desk.id).has_value());

    // The layout went from the file behind the model's back: the store refuses.
    execute(QStringLiteral("DELETE FROM layouts WHERE id = '%1'")
                .arg(desk.id.toString(QUuid::WithoutBraces).toUpper()));
    QTest::mouseClick(button("delete-layout-button"), Qt::LeftButton);
    answer("Delete Layout?", "Delete");
    ASSERT_TRUE(waitUntil([&] { return !currentView()->isWorking(); }));
    settle();
    EXPECT_TRUE(isOpen(WindowID::layoutDetails));
    EXPECT_EQ(currentView()->errorMessage(), "That layout is no longer available.");
    EXPECT_TRUE(shown(part("layout-details-error")));

    open(couch.id);
    EXPECT_EQ(currentView()->errorMessage(), std::nullopt) << "switching drops the messages";
    QTest::mouseClick(button("delete-layout-button"), Qt::LeftButton);
    answer("Delete Layout?", "Delete");
    ASSERT_TRUE(waitUntil([&] { return !isOpen(WindowID::layoutDetails); }));
    EXPECT_FALSE(model->layout(couch.id).has_value());
    EXPECT_TRUE(rows("SELECT name FROM layouts WHERE name = 'Couch'").isEmpty());
}

TEST_F(LayoutDetailsTest, ReplaceTakesTheWindowsOpenNowAndKeepsTheWindowOpen)
{
    LayoutDetailsView *view = open(desk.id);
    addApplication("org.example.notes", "Notes", {{300, 300, 400, 300}});
    QTest::mouseClick(button("replace-layout-button"), Qt::LeftButton);
    answer("Replace Layout?", "Cancel");
    EXPECT_EQ(model->layout(desk.id)->entries.size(), 3);

    QTest::mouseClick(button("replace-layout-button"), Qt::LeftButton);
    QMessageBox *alert = presenter->activeAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->informativeText(),
              "Replace the saved windows with the ones open now? This can’t be undone.");
    answer("Replace Layout?", "Replace");
    ASSERT_TRUE(waitUntil(
        [&] { return model->layout(desk.id)->entries.size() == 4 && !view->isWorking(); }));
    settle();
    EXPECT_TRUE(isOpen(WindowID::layoutDetails));
    EXPECT_EQ(view->errorMessage(), std::nullopt);
    QStringList removes;
    for (QAbstractButton *remove : view->findChildren<QAbstractButton *>("remove-window-button")) {
        removes.append(remove->accessibleName());
    }
    EXPECT_EQ(removes.size(), 4);
    EXPECT_TRUE(removes.contains("Remove Notes")) << removes.join(", ").toStdString();
}

TEST_F(LayoutDetailsTest, AnswersForALayoutNoLongerShownAreDropped)
{
    // A deletion of Desk that succeeds after the window moved on to Couch leaves it open.
    LayoutDetailsView *view = open(desk.id);
    QTest::mouseClick(button("delete-layout-button"), Qt::LeftButton);
    std::function<void()> release = holdStore();
    answer("Delete Layout?", "Delete");
    EXPECT_TRUE(view->isWorking());
    model->setManageLayoutID(couch.id);
    settle();
    EXPECT_FALSE(view->isWorking());
    EXPECT_EQ(field()->text(), "Couch");
    release();
    ASSERT_TRUE(waitUntil([&] { return !model->layout(desk.id).has_value(); }));
    settle();
    EXPECT_TRUE(isOpen(WindowID::layoutDetails));
    EXPECT_EQ(view->layout()->id, couch.id);

    // A refusal for Couch that comes back after the switch to another layout is not shown there.
    const Layout office = saveCurrentWindows("Office");
    type("Office");
    release = holdStore();
    QTest::mouseClick(button("rename-layout-button"), Qt::LeftButton);
    settle();
    model->setManageLayoutID(office.id);
    settle();
    release();
    ASSERT_TRUE(waitUntil([&] { return model->savedData().pendingMutations.isEmpty(); }));
    settle();
    EXPECT_EQ(view->errorMessage(), std::nullopt);
    EXPECT_FALSE(shown(part("layout-details-error")));
    EXPECT_EQ(field()->text(), "Office");

    // A confirmation still open when the window moves on is ended unanswered.
    QTest::mouseClick(button("delete-layout-button"), Qt::LeftButton);
    ASSERT_NE(presenter->activeAlert(), nullptr);
    model->setManageLayoutID(couch.id);
    settle();
    EXPECT_EQ(presenter->activeAlert(), nullptr);
    EXPECT_TRUE(model->layout(office.id).has_value());
}

TEST_F(LayoutDetailsTest, ClosingTheWindowDuringAnOperationIsClean)
{
    open(desk.id);
    QTest::mouseClick(button("delete-layout-button"), Qt::LeftButton);
    const std::function<void()> release = holdStore();
    answer("Delete Layout?", "Delete");
    presenter->close(QString(WindowID::layoutDetails));
    settle();
    release();
    ASSERT_TRUE(waitUntil([&] { return !model->layout(desk.id).has_value(); }));
    settle();

    // A confirmation open when the window closes ends as cancelled.
    open(couch.id);
    QTest::mouseClick(button("delete-layout-button"), Qt::LeftButton);
    presenter->close(QString(WindowID::layoutDetails));
    settle();
    EXPECT_EQ(presenter->activeAlert(), nullptr);
    EXPECT_TRUE(model->layout(couch.id).has_value());
}

TEST_F(LayoutDetailsTest, TypingSurvivesAnUnrelatedReloadButFollowsARename)
{
    LayoutDetailsView *view = open(desk.id);
    type("Half-typed na");
    const QUuid entry = desk.entries.first().id;
    ASSERT_EQ(await(model->removeEntry(desk.id, entry)), std::nullopt);
    ASSERT_EQ(await(model->associateAutomation(desk.id)), std::nullopt);
    settle();
    EXPECT_EQ(field()->text(), "Half-typed na");
    EXPECT_EQ(view->findChildren<QAbstractButton *>("remove-window-button").size(), 2);

    // A rename made elsewhere shows in the field.
    ASSERT_EQ(await(model->renameLayout(desk.id, "Studio")), std::nullopt);
    settle();
    EXPECT_EQ(field()->text(), "Studio");
}

TEST_F(LayoutDetailsTest, TheAutomationRowNamesTheLinkAndWhatIsMissing)
{
    open(desk.id);
    auto *link = part<PanelButton>("link-displays-button");
    QLabel *description = part<QLabel>("automation-description");
    EXPECT_EQ(link->title(), "Link Displays");
    EXPECT_EQ(description->text(), "Not linked");
    EXPECT_TRUE(shown(part("automation-off-hint")));
    EXPECT_FALSE(shown(part("older-layout-hint")));
    QTest::mouseClick(part<QAbstractButton>("open-settings-button"), Qt::LeftButton);
    EXPECT_EQ(settingsOpened, 1);

    model->setAutomationEnabled(true);
    settle();
    EXPECT_FALSE(shown(part("automation-off-hint")));

    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_TRUE(
        waitUntil([&] { return model->layout(desk.id)->automationTopologySignature.has_value(); }));
    settle();
    EXPECT_EQ(link->title(), "Unlink Displays");
    EXPECT_EQ(description->text(), "Linked to these displays");

    // A second layout for the same displays is refused, with the first one's name.
    open(couch.id);
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return currentView()->automationError().has_value(); }));
    settle();
    EXPECT_EQ(currentView()->automationError(), "“Desk” is already linked to these displays.");
    EXPECT_TRUE(shown(part("automation-error")));

    // "Unlink Displays" whenever a signature is kept, even with the flag off; the older-layout
    // hint when a saved display was inferred.
    QList<Layout> layouts = model->savedData().layouts;
    for (Layout &layout : layouts) {
        if (layout.id == couch.id) {
            layout.automationEnabled = false;
            layout.automationTopologySignature = QStringLiteral("elsewhere");
            layout.displays.first().frameInferred = true;
        }
    }
    AppModelTestSeam(model).setLayouts(layouts);
    settle();
    EXPECT_EQ(link->title(), "Unlink Displays");
    EXPECT_EQ(description->text(), "Linked to another display setup");
    EXPECT_TRUE(shown(part("older-layout-hint")));
    EXPECT_EQ(currentView()->automationError(), "“Desk” is already linked to these displays.")
        << "a reload keeps the message";
}

TEST_F(LayoutDetailsTest, TheShortcutMessageShowsTheModelsAnswer)
{
    ASSERT_EQ(model->setGlobalShortcut(Shortcut{40, ctrl | opt}), std::nullopt);
    LayoutDetailsView *view = open(desk.id);
    auto *recorder = part<ShortcutRecorder>("shortcut-recorder");
    EXPECT_EQ(recorder->label(), "Restore this layout");

    recorder->record();
    QTest::keyClick(recorder, Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
    recorder->save();
    ASSERT_TRUE(waitUntil([&] { return model->layout(desk.id)->shortcut.has_value(); }));
    settle();
    EXPECT_EQ(view->shortcutError(), std::nullopt);
    EXPECT_FALSE(shown(part("shortcut-error")));
    EXPECT_EQ(recorder->shortcut(), (Shortcut{35, ctrl | opt}));

    // Refused: the message shows, and the recorder keeps the stored shortcut.
    recorder->record();
    QTest::keyClick(recorder, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    recorder->save();
    ASSERT_TRUE(waitUntil([&] { return view->shortcutError().has_value(); }));
    settle();
    EXPECT_EQ(view->shortcutError(),
              "Ctrl+Alt+K is used by the global shortcut. Choose another shortcut.");
    EXPECT_TRUE(shown(part("shortcut-error")));
    EXPECT_EQ(recorder->shortcut(), (Shortcut{35, ctrl | opt}));

    // Removing asks the model for none; its success clears the message.
    recorder->remove();
    ASSERT_TRUE(waitUntil([&] { return !model->layout(desk.id)->shortcut.has_value(); }));
    settle();
    EXPECT_EQ(view->shortcutError(), std::nullopt);
    EXPECT_FALSE(shown(part("shortcut-error")));
    // The same recorder, updated in place.
    EXPECT_EQ(part<ShortcutRecorder>("shortcut-recorder"), recorder);
    EXPECT_EQ(recorder->shortcut(), std::nullopt);
    EXPECT_EQ(rows(QStringLiteral("SELECT shortcut_key_code FROM layouts WHERE name = 'Desk'")),
              QStringList{"NULL"});
}

TEST_F(LayoutDetailsTest, EscapeEndsARecordingFirstAndThenClosesTheWindow)
{
    open(desk.id);
    QWidget *window = presenter->window(QString(WindowID::layoutDetails));
    auto *recorder = part<ShortcutRecorder>("shortcut-recorder");
    recorder->record();
    settle();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window,
                    Qt::Key_Escape);
    settle();
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(window->isVisible()) << "Escape only ended the recording";

    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window,
                    Qt::Key_Escape);
    settle();
    EXPECT_EQ(presenter->window(QString(WindowID::layoutDetails)), nullptr);
}

TEST_F(LayoutDetailsTest, TabFollowsTheReadingOrderWithNoInvisibleStops)
{
    open(desk.id);
    QWidget *window = presenter->window(QString(WindowID::layoutDetails));
    const QList<QWidget *> stops = tabWalk(window);
    ASSERT_FALSE(stops.isEmpty());
    for (QWidget *stop : stops) {
        EXPECT_TRUE(showsFocus(stop)) << stopName(stop).toStdString();
    }
    // The walk began at the name field; from there, down the window.
    QList<QWidget *> fromName = stops;
    const qsizetype name = fromName.indexOf(field());
    ASSERT_GE(name, 0);
    std::rotate(fromName.begin(), fromName.begin() + name, fromName.end());
    EXPECT_EQ(readingOrderFaults(fromName), QList<QString>{});
}

TEST_F(LayoutDetailsTest, TheNameFieldIsTheSaveWindowsAndHasTheFocus)
{
    open(desk.id);
    QLineEdit *name = field();
    EXPECT_EQ(QApplication::focusWidget(), name);
    EXPECT_EQ(name->text(), "Desk");
    EXPECT_EQ(name->font(), UiFont::body());
    EXPECT_EQ(name->textMargins(), QMargins(4, 1, 4, 1));
}

TEST_F(LayoutDetailsTest, ALayoutThatIsGoneShowsTheUnavailableState)
{
    open(QUuid::createUuid());
    EXPECT_TRUE(shown(part("layout-unavailable")));
    EXPECT_FALSE(shown(part("layout-details-content")));
    QTest::mouseClick(button("close-unavailable-button"), Qt::LeftButton);
    settle();
    EXPECT_FALSE(isOpen(WindowID::layoutDetails));

    // Deleted elsewhere while open: the window stays, unavailable.
    open(desk.id);
    ASSERT_EQ(await(model->deleteLayout(desk.id)), std::nullopt);
    settle();
    EXPECT_TRUE(isOpen(WindowID::layoutDetails));
    EXPECT_TRUE(shown(part("layout-unavailable")));
}

} // namespace
} // namespace ostrel::test
