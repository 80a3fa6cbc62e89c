// The panel against the model on the fake desktop: which sections show, what its controls do,
// and that what it starts is safe when the panel goes away first.

#include "PanelFixture.h"
#include "AppModelTestSeam.h"
#include "Child.h"

#include "Await.h"
#include "KeyboardWalk.h"
#include "UserTexts.h"

#include "model/StorageError.h"
#include "ui/panel/AutomationNoticeSection.h"
#include "ui/panel/DetailsDisclosure.h"
#include "ui/panel/DismissButton.h"
#include "ui/panel/LayoutHover.h"
#include "ui/panel/LayoutRow.h"
#include "ui/panel/LayoutsListSection.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PanelActionRow.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PanelFooter.h"
#include "ui/panel/PermissionBanner.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ProgressSection.h"
#include "ui/panel/RestoreSpinner.h"
#include "ui/panel/ResultSection.h"
#include "ui/panel/SelectedLayoutSection.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/panel/StorageNoticeSection.h"
#include "ui/panel/StorageProblemSection.h"
#include "ui/panel/SymbolView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QEnterEvent>
#include <QTest>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>

using namespace ostrel;
using namespace ostrel::test;

namespace {

EntryResult entry(EntryOutcome outcome, std::optional<QString> detail = std::nullopt)
{
    return EntryResult{QUuid::createUuid(),
                       QStringLiteral("Editor"),
                       QStringLiteral("Editor"),
                       QStringLiteral("com.example.editor"),
                       outcome,
                       std::move(detail),
                       std::nullopt,
                       std::nullopt};
}

RestoreResult resultWith(QList<EntryResult> entries, const QString &summary = "Restored.")
{
    RestoreResult result;
    result.id = QUuid::createUuid();
    result.layoutName = QStringLiteral("Work");
    result.summary = summary;
    result.entries = std::move(entries);
    result.exactCount = 1;
    result.movedWindowCount = 1;
    return result;
}

void hoverEnter(QWidget *widget)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(widget, &enter);
}

void hoverLeave(QWidget *widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

// The panel's layout rows, top to bottom.
QList<LayoutRow *> rowsOf(const QObject *view)
{
    return child<QWidget>(view, "layout-rows")
        ->findChildren<LayoutRow *>(Qt::FindDirectChildrenOnly);
}

LayoutRow *rowOf(const QObject *view, const QUuid &layoutID)
{
    for (LayoutRow *row : rowsOf(view)) {
        if (row->layout().id == layoutID) {
            return row;
        }
    }
    ADD_FAILURE() << "no row for the layout";
    throw std::runtime_error("no row for the layout");
}

// The part of a row that selects its layout, named after the layout.
QAbstractButton *selectButton(const LayoutRow *row)
{
    const QByteArray name =
        "layout-row-" + row->layout().id.toString(QUuid::WithoutBraces).toUpper().toLatin1();
    return child<QAbstractButton>(row, name.constData());
}

// Opens the row's actions menu; a menu closed earlier may wait for its deletion, hidden.
QMenu *openMenu(LayoutRow *row)
{
    child<QAbstractButton>(row, "layout-row-actions")->click();
    const QList<QMenu *> menus = row->findChildren<QMenu *>("layout-row-menu");
    for (QMenu *menu : menus) {
        if (menu->isVisible()) {
            return menu;
        }
    }
    return nullptr;
}

QAction *menuAction(QMenu *menu, const QString &text)
{
    const auto actions = menu->actions();
    for (QAction *action : actions) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

} // namespace

TEST_F(PanelTest, TheVisibleSectionsFollowTheModelOncePerTurn)
{
    openPanel();
    EXPECT_EQ(panel->visibleSections(),
              (QList<PanelSection>{PanelSection::firstRun, PanelSection::footerDivider,
                                   PanelSection::footer}));
    const Layout work = saveLayout("Work");
    refresh();
    EXPECT_EQ(panel->visibleSections(), panelSectionTree(panel->state()));
    EXPECT_TRUE(panel->visibleSections().contains(PanelSection::selectedLayout));

    // A burst of signals in one turn is read once, after the turn.
    const int before = panel->refreshCount();
    AppModelTestSeam seam(model);
    seam.setStorageNotice(StorageNotice{"Recovered", "Your layouts are back.", std::nullopt});
    seam.setAutomationNotice(QStringLiteral("Moved."));
    model->dismissStorageNotice();
    seam.setSelectedLayoutID(work.id);
    seam.setSelectedLayoutID(work.id);
    EXPECT_EQ(panel->refreshCount(), before);
    refresh();
    EXPECT_EQ(panel->refreshCount(), before + 1);
    EXPECT_EQ(panel->visibleSections(),
              (QList<PanelSection>{PanelSection::selectedLayout, PanelSection::layoutDivider,
                                   PanelSection::automationNotice, PanelSection::layouts,
                                   PanelSection::footerDivider, PanelSection::footer}));

    // Dismissing the notice takes it away; the rest stays.
    child<DismissButton>(panel.get(), "automation-notice-dismiss")->click();
    EXPECT_EQ(model->session().automationNotice, std::nullopt);
    refresh();
    EXPECT_FALSE(panel->visibleSections().contains(PanelSection::automationNotice));
    EXPECT_TRUE(panel->visibleSections().contains(PanelSection::layouts));
}

TEST_F(PanelTest, TheStorageProblemOffersRetryOnlyWhenItCanHelpAndShowsThePath)
{
    openFailure = [] { throw StorageError::openFailed("denied"); };
    openPanel();
    refresh();
    ASSERT_EQ(panel->visibleSections(),
              (QList<PanelSection>{PanelSection::storageProblem, PanelSection::footerDivider,
                                   PanelSection::footer}));
    StorageProblemSection *section = child<StorageProblemSection>(panel.get(), "storage-problem");
    EXPECT_EQ(section->objectName(), "storage-problem");

    struct Case {
        bool canRetry;
        std::optional<QString> details;
        QStringList lines;
    };
    const QString path = QStringLiteral("/home/someone/.local/share/Ostrel/<b>Ostrel</b>.sqlite");
    for (const Case &c : {Case{false, std::nullopt, {path}},
                          Case{true,
                               QStringLiteral("disk I/O error (10)"),
                               {QStringLiteral("disk I/O error (10)"), path}}}) {
        AppModelTestSeam(model).setStorageProblem(
            StorageProblem{QUuid::createUuid(), "Couldn’t Open Layouts", "Check the folder.", path,
                           std::nullopt, c.canRetry, c.details});
        refresh();
        EXPECT_EQ(!child<PanelButton>(section, "storage-retry-button")->isHidden(), c.canRetry);
        EXPECT_FALSE(child<PanelButton>(section, "reveal-folder-button")->isHidden());
        EXPECT_FALSE(child<DetailsDisclosure>(section, "storage-problem-details")->isExpanded());
        QStringList lines;
        const auto labels =
            child<QWidget>(child<DetailsDisclosure>(section, "storage-problem-details"),
                           "details-content")
                ->findChildren<QLabel *>();
        for (QLabel *label : labels) {
            lines.append(label->text());
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
        }
        EXPECT_EQ(lines, c.lines);
    }

    // Retry opens the store again, this time successfully.
    openFailure = {};
    const int opens = openCount;
    child<PanelButton>(section, "storage-retry-button")->click();
    ASSERT_TRUE(
        waitUntil([&] { return openCount > opens && !model->storageStatus().isBootstrapping; }));
    refresh();
    EXPECT_EQ(model->storageStatus().storageProblem, std::nullopt);
    EXPECT_TRUE(panel->visibleSections().contains(PanelSection::firstRun));
}

TEST_F(PanelTest, RevealFolderWithNothingToOpenItNamesTheFolderInSelectableText)
{
    openFailure = [] { throw StorageError::openFailed("denied"); };
    folderOpens = false;
    openPanel();
    refresh();
    QDir().mkpath(paths.directory);
    child<PanelButton>(panel.get(), "reveal-folder-button")->click();
    settle();
    EXPECT_EQ(revealedFolders, QStringList{paths.directory});
    QMessageBox *alert = presenter->activeAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Couldn’t Open the Folder");
    EXPECT_TRUE(alert->informativeText().contains(paths.directory));
    EXPECT_TRUE(alert->textInteractionFlags() & Qt::TextSelectableByMouse);
    const auto *informative = alert->findChild<QLabel *>("qt_msgbox_informativelabel");
    ASSERT_NE(informative, nullptr);
    EXPECT_TRUE(informative->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(presenter->answerAlert("OK"));
    settle();
    EXPECT_FALSE(model->windowRequests().activeError.has_value());
}

TEST_F(PanelTest, TheStorageProblemPartsStandSevenApart)
{
    openFailure = [] { throw StorageError::openFailed("denied"); };
    openPanel();
    refresh();
    showPanel();
    StorageProblemSection *section = child<StorageProblemSection>(panel.get(), "storage-problem");
    const QRect buttons = child<PanelButton>(section, "reveal-folder-button")->geometry();
    const QRect details = child<DetailsDisclosure>(section, "storage-problem-details")->geometry();
    EXPECT_EQ(details.top() - buttons.bottom() - 1, 7);
}

TEST_F(PanelTest, TheStorageNoticeShowsItsDetailsOnlyWhenItHasThem)
{
    openPanel();
    for (const std::optional<QString> &details :
         {std::optional<QString>(), std::optional<QString>(QStringLiteral("From the backup."))}) {
        AppModelTestSeam(model).setStorageNotice(
            StorageNotice{"Recovered", "Your layouts are back.", details});
        refresh();
        StorageNoticeSection *notice = child<StorageNoticeSection>(panel.get(), "storage-notice");
        EXPECT_EQ(!child<DetailsDisclosure>(notice, "storage-notice-details")->isHidden(),
                  details.has_value());
    }
    child<DismissButton>(panel.get(), "storage-notice-dismiss")->click();
    EXPECT_EQ(model->storageStatus().storageNotice, std::nullopt);
    EXPECT_EQ(child<DismissButton>(panel.get(), "storage-notice-dismiss")->accessibleName(),
              "Dismiss storage notice");
}

TEST_F(PanelTest, CancelRelabelsTheRunningPassAndStaysEnabled)
{
    openPanel();
    saveLayout("Work");
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    desktop.setFrame(mail[0], {50, 60, 400, 300});

    struct Case {
        const char *name;
        std::function<void()> start;
        const char *title;
        const char *cancelling;
    };
    const Case cases[] = {
        {"restore", [&] { model->restoreSelectedLayout(); }, "Restoring “Work”…", "Cancelling…"},
        {"undo", [&] { model->undoLastRestore(); }, "Undoing…", "Cancelling undo…"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Held write = holdNext(FakeCall::Kind::write);
        c.start();
        write.reached();
        refresh();
        ASSERT_TRUE(panel->visibleSections().contains(PanelSection::progress));
        EXPECT_FALSE(panel->visibleSections().contains(PanelSection::result));
        ProgressSection *progress = child<ProgressSection>(panel.get(), "progress-section");
        EXPECT_EQ(child<LineLimitedLabel>(progress, "progress-title")->text(),
                  QString::fromUtf8(c.title));
        EXPECT_TRUE(child<LineLimitedLabel>(progress, "progress-title")
                        ->accessibleDescription()
                        .endsWith(" windows processed"));
        child<PanelButton>(progress, "cancel-restore-button")->click();
        refresh();
        EXPECT_EQ(child<LineLimitedLabel>(progress, "progress-step")->text(),
                  QString::fromUtf8(c.cancelling));
        EXPECT_FALSE(child<LineLimitedLabel>(progress, "progress-step")->isHidden());
        EXPECT_TRUE(child<PanelButton>(progress, "cancel-restore-button")->isEnabled());
        EXPECT_EQ(child<PanelButton>(progress, "cancel-restore-button")->toolTip(),
                  "Cancel this restore");
        write.release();
        ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
        refresh();
        EXPECT_TRUE(panel->visibleSections().contains(PanelSection::result));
    }
}

TEST_F(PanelTest, TabFollowsTheReadingOrderWithNoInvisibleStops)
{
    openPanel();
    const Layout work = saveLayout("Work");
    const Layout desk = saveLayout("Desk");
    model->selectLayout(work.id);
    AppModelTestSeam(model).setLastResult(resultWith({entry(EntryOutcome::restored)}));
    refresh();
    showPanel();
    const QList<QWidget *> stops = test::tabWalk(panel.get());
    for (QWidget *stop : stops) {
        EXPECT_TRUE(test::showsFocus(stop)) << test::stopName(stop).toStdString();
    }
    const QString workRow = "layout-row-" + work.id.toString(QUuid::WithoutBraces).toUpper();
    const QString deskRow = "layout-row-" + desk.id.toString(QUuid::WithoutBraces).toUpper();
    QList<QString> names = test::stopNames(stops);
    ASSERT_FALSE(names.isEmpty());
    // Round from wherever the walk began: read from the Restore button on.
    const qsizetype start = names.indexOf("restore-button");
    ASSERT_GE(start, 0) << names.join(", ").toStdString();
    std::rotate(names.begin(), names.begin() + start, names.end());
    // The card, the result, the list's Save beside its title, the rows with their menus, the
    // footer.
    QStringList expected{"restore-button", "result-row", "save-layout-button"};
    const QList<LayoutRow *> rows = rowsOf(panel.get());
    ASSERT_EQ(rows.size(), 2);
    for (LayoutRow *row : rows) {
        expected << selectButton(row)->objectName() << "layout-row-actions";
    }
    expected << "settings-button"
             << "quit-button";
    EXPECT_TRUE(expected.contains(workRow) && expected.contains(deskRow));
    EXPECT_EQ(names.join(", ").toStdString(), expected.join(", ").toStdString());
}

TEST_F(PanelTest, TheRestoreButtonShowsItsSpinnerOnlyWhileRestoring)
{
    openPanel();
    saveLayout("Work");
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    refresh();
    SelectedLayoutSection *selected = child<SelectedLayoutSection>(panel.get(), "selected-layout");
    PanelButton *restore = child<PanelButton>(selected, "restore-button");
    EXPECT_TRUE(restore->isEnabled());
    EXPECT_EQ(restore->accessibleName(), "Restore layout");
    EXPECT_EQ(restore->objectName(), "restore-button");

    Held write = holdNext(FakeCall::Kind::write);
    restore->click();
    write.reached();
    refresh();
    EXPECT_FALSE(restore->isEnabled());
    EXPECT_FALSE(child<RestoreSpinner>(selected, "restore-spinner")->isHidden());
    EXPECT_EQ(restore->accessibleName(), "Restoring layout");
    EXPECT_EQ(restore->toolTip(), "Wait for the current operation to finish");
    write.release();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));

    Held undoWrite = holdNext(FakeCall::Kind::write);
    model->undoLastRestore();
    undoWrite.reached();
    refresh();
    EXPECT_TRUE(child<RestoreSpinner>(selected, "restore-spinner")->isHidden());
    EXPECT_EQ(restore->accessibleName(), "Restore layout");
    undoWrite.release();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
}

TEST_F(PanelTest, TheResultSectionShowsWhatThePassLeftAndWhatCanBeDone)
{
    openPanel();
    saveLayout("Work");
    refresh();
    ResultSection *section = child<ResultSection>(panel.get(), "result-section");

    RestoreResult needsChoice = resultWith({entry(EntryOutcome::needsSelection)});
    needsChoice.needsSelectionCount = 1;
    AppModelTestSeam(model).setLastResult(needsChoice);
    AppModelTestSeam(model).setUndoInfo(std::nullopt);
    refresh();
    EXPECT_FALSE(child<PanelButton>(section, "choose-windows-button")->isHidden());
    EXPECT_TRUE(child<PanelButton>(section, "undo-button")->isHidden());
    EXPECT_FALSE(child<QWidget>(section, "result-actions")->isHidden());
    EXPECT_EQ(child<SymbolView>(section, "result-symbol")->name(), "exclamationmark.circle");

    RestoreResult done = resultWith({entry(EntryOutcome::restored)});
    AppModelTestSeam(model).setLastResult(done);
    refresh();
    EXPECT_TRUE(child<QWidget>(section, "result-actions")->isHidden());
    EXPECT_EQ(child<SymbolView>(section, "result-symbol")->name(), "checkmark.circle.fill");
    EXPECT_EQ(child<HoverRowButton>(section, "result-row")->accessibleName(),
              "Last result: Restored.");
    EXPECT_EQ(child<HoverRowButton>(section, "result-row")->objectName(), "result-row");

    // Undo shown but disabled while an application exclusion is being saved.
    AppModelTestSeam(model).setUndoInfo(UndoInfo{"Work", 3, {}, true});
    AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("com.example.mail")});
    refresh();
    EXPECT_FALSE(child<PanelButton>(section, "undo-button")->isHidden());
    EXPECT_FALSE(child<PanelButton>(section, "undo-button")->isEnabled());
    EXPECT_EQ(child<PanelButton>(section, "undo-button")->objectName(), "undo-button");
    EXPECT_EQ(child<LineLimitedLabel>(section, "undo-summary")->text(), "Undo: 3 windows · retry");
    AppModelTestSeam(model).setPendingMutations({});
    refresh();
    EXPECT_TRUE(child<PanelButton>(section, "undo-button")->isEnabled());

    // The deferred reason shows only with deferred entries.
    RestoreResult deferred = done;
    deferred.id = QUuid::createUuid();
    deferred.deferredReason = QStringLiteral("The session is locked.");
    AppModelTestSeam(model).setLastResult(deferred);
    refresh();
    EXPECT_TRUE(child<LineLimitedLabel>(section, "deferred-reason")->isHidden());
    deferred.id = QUuid::createUuid();
    deferred.deferredCount = 1;
    AppModelTestSeam(model).setLastResult(deferred);
    refresh();
    EXPECT_FALSE(child<LineLimitedLabel>(section, "deferred-reason")->isHidden());
}

TEST_F(PanelTest, TheDetailsListIsAsHighAsItsEntriesUpToWhereItScrolls)
{
    reduceMotion.set(true);
    openPanel();
    saveLayout("Work");
    showPanel();
    ResultSection *section = child<ResultSection>(panel.get(), "result-section");
    struct Case {
        int plain;
        int height;
        bool scrolls;
    };
    for (const Case c : {Case{5, 166, false}, Case{6, 184, true}, Case{0, 40, false}}) {
        SCOPED_TRACE(c.plain);
        QList<EntryResult> entries;
        for (int i = 0; i < c.plain; ++i) {
            entries.append(entry(EntryOutcome::notOpen));
        }
        AppModelTestSeam(model).setLastResult(resultWith(entries));
        refresh();
        child<HoverRowButton>(section, "result-row")->click();
        refresh();
        EXPECT_TRUE(section->isExpanded());
        EXPECT_EQ(child<HoverRowButton>(section, "result-row")->accessibleDescription(),
                  "Expanded");
        EXPECT_EQ(child<QScrollArea>(section, "result-details")->height(), c.height);
        EXPECT_EQ(section->shownDetailsHeight(), c.height);
        EXPECT_EQ(child<QScrollArea>(section, "result-details")->objectName(), "result-details");
        EXPECT_EQ(child<QScrollArea>(section, "result-details")->verticalScrollBar()->maximum() > 0,
                  c.scrolls);
        child<HoverRowButton>(section, "result-row")->click();
        EXPECT_FALSE(section->isExpanded());
        EXPECT_EQ(section->shownDetailsHeight(), 0);
    }
}

TEST_F(PanelTest, ANewResultCollapsesAndIsAnnouncedOnceAndTheSameResultIsNot)
{
    reduceMotion.set(true);
    openPanel();
    saveLayout("Work");
    refresh();
    ResultSection *section = child<ResultSection>(panel.get(), "result-section");

    RestoreResult first = resultWith({entry(EntryOutcome::restored)}, "Restored 1 window.");
    AppModelTestSeam(model).setLastResult(first);
    refresh();
    EXPECT_EQ(announcer->announcements(), QStringList{"Restore finished. Restored 1 window."});
    child<HoverRowButton>(section, "result-row")->click();
    ASSERT_TRUE(section->isExpanded());

    // The model publishes equal values again: nothing collapses, nothing is said.
    AppModelTestSeam(model).setLastResult(first);
    AppModelTestSeam(model).setLastResult(first);
    refresh();
    EXPECT_TRUE(section->isExpanded());
    EXPECT_EQ(announcer->announcements().size(), 1);

    RestoreResult undo = resultWith({entry(EntryOutcome::restored)}, "Moved 1 window back.");
    undo.kind = ResultKind::undo;
    AppModelTestSeam(model).setLastResult(undo);
    refresh();
    EXPECT_FALSE(section->isExpanded());
    EXPECT_EQ(announcer->announcements().last(), "Undo finished. Moved 1 window back.");

    child<HoverRowButton>(section, "result-row")->click();
    AppModelTestSeam(model).setLastResult(std::nullopt);
    refresh();
    EXPECT_FALSE(section->isExpanded());
    EXPECT_EQ(announcer->announcements().size(), 2);
}

TEST_F(PanelTest, ErrorsAreAnnouncedOncePerError)
{
    openPanel();
    const UserFacingError error{QUuid::createUuid(), "No Displays Available",
                                "Ostrel could not read any connected displays."};
    AppModelTestSeam(model).setActiveError(error);
    refresh();
    AppModelTestSeam(model).setActiveError(error);
    refresh();
    EXPECT_EQ(announcer->announcements(),
              QStringList{"No Displays Available. Ostrel could not read any connected displays."});
    presenter->answerAlert("OK");
    refresh();
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);
    EXPECT_EQ(announcer->announcements().size(), 1);
}

TEST_F(PanelTest, SixLayoutsStandInThePanelAndSevenScroll)
{
    openPanel();
    for (int i = 1; i <= 6; ++i) {
        saveLayout(QStringLiteral("Layout %1").arg(i));
    }
    refresh();
    LayoutsListSection *list = child<LayoutsListSection>(panel.get(), "layouts-section");
    EXPECT_EQ(child<PlainLabel>(list, "layout-count")->text(), "6");
    EXPECT_EQ(list->findChild<QScrollArea *>("layout-list"), nullptr);
    ASSERT_EQ(rowsOf(list).size(), 6);
    showPanel();
    EXPECT_EQ(rowsOf(list)[1]->y() - rowsOf(list)[0]->geometry().bottom() - 1, 5);

    saveLayout(QStringLiteral("Layout 7"));
    refresh();
    EXPECT_EQ(child<PlainLabel>(list, "layout-count")->text(), "7");
    ASSERT_NE(list->findChild<QScrollArea *>("layout-list"), nullptr);
    EXPECT_EQ(list->findChild<QScrollArea *>("layout-list")->height(), 228);
    ASSERT_EQ(rowsOf(list).size(), 7);
    showPanel();
    EXPECT_EQ(rowsOf(list)[1]->y() - rowsOf(list)[0]->geometry().bottom() - 1, 0);
}

TEST_F(PanelTest, ClickingARowSelectsItAndNeverRestores)
{
    openPanel();
    const Layout work = saveLayout("Work");
    const Layout desk = saveLayout("Desk");
    model->selectLayout(work.id);
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    refresh();
    LayoutRow *row = rowOf(panel.get(), desk.id);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(selectButton(row)->objectName(),
              "layout-row-" + desk.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(selectButton(row)->accessibleName(), "Desk, 2 windows, not selected");
    busyHistory.clear();
    for (int click = 0; click < 2; ++click) {
        selectButton(row)->click();
        refresh();
    }
    EXPECT_EQ(model->settings().selectedLayoutID, desk.id);
    EXPECT_TRUE(row->isSelected());
    EXPECT_EQ(row->background(), LayoutRow::Background::selected);
    EXPECT_EQ(selectButton(row)->accessibleName(), "Desk, 2 windows, selected");
    EXPECT_FALSE(child<SymbolView>(row, "layout-row-checkmark")->isHidden());
    EXPECT_FALSE(rowOf(panel.get(), work.id)->isSelected());
    // No pass ran and no window moved.
    EXPECT_TRUE(busyHistory.isEmpty());
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{300, 300, 400, 300}));
}

TEST_F(PanelTest, TheSelectedRowCarriesTheSelectedStateAndStillPresses)
{
    openPanel();
    const Layout work = saveLayout("Work");
    const Layout desk = saveLayout("Desk");
    model->selectLayout(work.id);
    refresh();
    const auto element = [&](const Layout &layout) {
        return QAccessible::queryAccessibleInterface(selectButton(rowOf(panel.get(), layout.id)));
    };
    EXPECT_TRUE(element(work)->state().selectable);
    EXPECT_TRUE(element(work)->state().selected);
    EXPECT_TRUE(element(desk)->state().selectable);
    EXPECT_FALSE(element(desk)->state().selected);
    EXPECT_EQ(element(desk)->text(QAccessible::Name), "Desk, 2 windows, not selected");

    ASSERT_NE(element(desk)->actionInterface(), nullptr);
    element(desk)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    refresh();
    EXPECT_EQ(model->settings().selectedLayoutID, desk.id);
    EXPECT_TRUE(element(desk)->state().selected);
    EXPECT_FALSE(element(work)->state().selected);
}

// Tooltips are rich text so that names show literally; screen readers get the plain words.
TEST_F(PanelTest, AccessibleDescriptionsArePlainText)
{
    openPanel();
    const Layout layout = saveLayout("<b>R&D</b> Desk");
    model->selectLayout(layout.id);
    refresh();
    showPanel();
    struct Case {
        const char *what;
        QWidget *widget;
    };
    const Case cases[] = {
        {"the row", rowOf(panel.get(), layout.id)},
        {"the card's name", child<LineLimitedLabel>(panel.get(), "selected-layout-name")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(c.widget, nullptr);
        EXPECT_TRUE(c.widget->toolTip().startsWith("<p")) << "the tooltip stays rich";
        QAccessibleInterface *element = QAccessible::queryAccessibleInterface(c.widget);
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(element->text(QAccessible::Description), "<b>R&D</b> Desk");
    }
}

TEST_F(PanelTest, HoverHandsOverBetweenRowsWhateverTheOrderOfTheirEvents)
{
    openPanel();
    const Layout a = saveLayout("A");
    const Layout b = saveLayout("B");
    model->selectLayout(b.id);
    refresh();
    LayoutsListSection *list = child<LayoutsListSection>(panel.get(), "layouts-section");
    LayoutRow *rowA = rowOf(list, a.id);
    LayoutRow *rowB = rowOf(list, b.id);

    hoverEnter(selectButton(rowA));
    EXPECT_EQ(rowA->background(), LayoutRow::Background::hovered);
    // B's enter arrives before A's leave: B keeps the highlight.
    hoverEnter(selectButton(rowB));
    hoverLeave(selectButton(rowA));
    EXPECT_EQ(child<LayoutHover>(list, "layout-hover")->hoveredLayoutID(), b.id);
    EXPECT_EQ(rowA->background(), LayoutRow::Background::none);
    // B is selected: selection wins over hover.
    EXPECT_EQ(rowB->background(), LayoutRow::Background::selected);

    // Onto A's menu: A is highlighted and its ellipsis at full strength, until the pointer
    // leaves the menu.
    hoverEnter(child<QAbstractButton>(rowA, "layout-row-actions"));
    EXPECT_EQ(child<LayoutHover>(list, "layout-hover")->hoveredLayoutID(), a.id);
    EXPECT_EQ(rowA->actionsOpacity(), 1.0);
    EXPECT_EQ(rowB->actionsOpacity(), 0.55);
    hoverLeave(child<QAbstractButton>(rowA, "layout-row-actions"));
    EXPECT_EQ(rowA->actionsOpacity(), 0.55);
    EXPECT_EQ(child<LayoutHover>(list, "layout-hover")->hoveredLayoutID(), std::nullopt);
    hoverEnter(selectButton(rowA));
    EXPECT_EQ(child<LayoutHover>(list, "layout-hover")->hoveredLayoutID(), a.id);
}

TEST_F(PanelTest, TheRowMenuRestoresManagesAndDeletes)
{
    presenter->setContentFactory(QString(WindowID::layoutDetails),
                                 [] { return new QLabel(QStringLiteral("Details")); });
    openPanel();
    const Layout work = saveLayout("Work");
    const Layout desk = saveLayout("Desk");
    refresh();
    LayoutRow *row = rowOf(panel.get(), work.id);
    EXPECT_EQ(child<QAbstractButton>(row, "layout-row-actions")->accessibleName(),
              "More actions for Work");

    QMenu *menu = openMenu(row);
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction *action : menu->actions()) {
        items.append(action->isSeparator() ? QStringLiteral("—") : action->text());
    }
    EXPECT_EQ(items, (QStringList{"Restore", "Manage Layout…", "—", "Delete Layout…"}));

    // Restore: the model selects the layout and restores it.
    desktop.setFrame(editor[0], {300, 300, 400, 300});
    menuAction(menu, "Restore")->trigger();
    ASSERT_TRUE(waitUntil([&] {
        return model->restoreStatus().lastResult.has_value() && !model->restoreStatus().busy;
    }));
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(desktop.frame(editor[0]), (RectD{100, 100, 600, 400}));

    // Manage: the details window opens on this layout.
    refresh();
    menu = openMenu(rowOf(panel.get(), desk.id));
    menuAction(menu, "Manage Layout…")->trigger();
    EXPECT_EQ(model->windowRequests().manageLayoutID, desk.id);
    EXPECT_TRUE(isOpen(WindowID::layoutDetails));

    // Delete is disabled while a deletion of this layout is being saved.
    AppModelTestSeam(model).setPendingMutations({MutationScope::deleteLayout(work.id)});
    refresh();
    menu = openMenu(rowOf(panel.get(), work.id));
    EXPECT_FALSE(menuAction(menu, "Delete Layout…")->isEnabled());
    menu->close();
    AppModelTestSeam(model).setPendingMutations({});
    refresh();
    menu = openMenu(rowOf(panel.get(), work.id));
    ASSERT_TRUE(menuAction(menu, "Delete Layout…")->isEnabled());
    menuAction(menu, "Delete Layout…")->trigger();
    ASSERT_NE(presenter->activeAlert(), nullptr);
    EXPECT_EQ(presenter->activeAlert()->informativeText(),
              "Delete “Work”? Your windows stay open.");
    presenter->answerAlert("Delete");
    ASSERT_TRUE(waitUntil([&] { return !model->layout(work.id); }));
    refresh();
    EXPECT_EQ(rowsOf(panel.get()).size(), 1);
}

TEST_F(PanelTest, HidingOrDestroyingThePanelWhileAConfirmationIsOpenIsClean)
{
    struct Case {
        const char *name;
        bool destroy;
        const char *answer;
        bool deleted;
    };
    openPanel();
    for (const Case c : {Case{"hidden, then Delete", false, "Delete", true},
                         Case{"destroyed, then Delete", true, "Delete", true},
                         Case{"destroyed, then Cancel", true, "Cancel", false}}) {
        SCOPED_TRACE(c.name);
        if (!panel) {
            panel = std::make_unique<PanelView>(viewEnvironment(), *actions);
        }
        showPanel();
        const Layout desk = saveLayout("Desk");
        refresh();
        QMenu *menu = openMenu(rowOf(panel.get(), desk.id));
        menuAction(menu, "Delete Layout…")->trigger();
        ASSERT_NE(presenter->activeAlert(), nullptr);
        if (c.destroy) {
            panel.reset();
        } else {
            panel->hide();
        }
        settle();
        presenter->answerAlert(c.answer);
        ASSERT_TRUE(waitUntil([&] { return model->savedData().pendingMutations.isEmpty(); }));
        settle();
        EXPECT_EQ(!model->layout(desk.id).has_value(), c.deleted);
        if (model->layout(desk.id)) {
            await(model->deleteLayout(desk.id));
        }
    }
}

TEST_F(PanelTest, SavingFromThePanelOpensTheSaveWindowEvenIfThePanelIsGoneByThen)
{
    presenter->setContentFactory(QString(WindowID::saveLayout),
                                 [] { return new QLabel(QStringLiteral("Save")); });
    openPanel();
    saveLayout("Work");
    refresh();
    PanelButton *save = child<PanelButton>(panel.get(), "save-layout-button");
    EXPECT_EQ(save->objectName(), "save-layout-button");
    EXPECT_EQ(save->toolTip(), "Save the open windows as a layout");

    Held scan = holdNext(FakeCall::Kind::applications);
    save->click();
    scan.reached();
    refresh();
    EXPECT_FALSE(save->isEnabled());
    EXPECT_EQ(save->toolTip(), "Capturing windows…");
    panel.reset();
    scan.release();
    ASSERT_TRUE(waitUntil([&] { return isOpen(WindowID::saveLayout); }));
    EXPECT_TRUE(model->windowRequests().pendingCapture.has_value());
}

TEST_F(PanelTest, BadgesAndTheRestoreShortcutFollowTheKeyboardLayout)
{
    openPanel();
    const Layout work = saveLayout("Work");
    ASSERT_EQ(
        await(model->setLayoutShortcut(Shortcut{0, Shortcut::control | Shortcut::option}, work.id)),
        std::nullopt);
    ASSERT_EQ(model->setGlobalShortcut(Shortcut{12, Shortcut::command | Shortcut::option}),
              std::nullopt);
    model->selectLayout(work.id);
    refresh();
    ShortcutBadge *rowBadge = child<ShortcutBadge>(rowOf(panel.get(), work.id), "layout-row-badge");
    ShortcutBadge *selectedBadge = child<ShortcutBadge>(panel.get(), "selected-layout-badge");
    PanelButton *restore = child<PanelButton>(panel.get(), "restore-button");
    ASSERT_NE(rowBadge, nullptr);
    ASSERT_NE(selectedBadge, nullptr);
    EXPECT_EQ(rowBadge->text(), "Ctrl+Alt+A");
    EXPECT_EQ(selectedBadge->text(), "Ctrl+Alt+A");
    EXPECT_EQ(restore->trailingNote(), "Alt+Super+Q");
    EXPECT_EQ(restore->accessibleName(), "Restore layout, shortcut Alt+Super+Q");
    EXPECT_EQ(restore->toolTip(), "Restore this layout (Alt+Super+Q)");

    // The user switches to a layout where those keys print other letters.
    keyboardLayout.switchLayout({{0, QStringLiteral("q")}, {12, QStringLiteral("a")}});
    refresh();
    EXPECT_EQ(rowBadge->text(), "Ctrl+Alt+Q");
    EXPECT_EQ(selectedBadge->text(), "Ctrl+Alt+Q");
    EXPECT_EQ(restore->trailingNote(), "Alt+Super+A");
    EXPECT_EQ(restore->accessibleName(), "Restore layout, shortcut Alt+Super+A");
}

TEST_F(PanelTest, NamesFromDataShowLiterally)
{
    openPanel();
    const Layout layout = saveLayout("<img src=x> R&D");
    model->selectLayout(layout.id);
    refresh();
    LayoutRow *row = rowOf(panel.get(), layout.id);
    EXPECT_EQ(child<LineLimitedLabel>(row, "layout-row-name")->text(), "<img src=x> R&D");
    EXPECT_EQ(selectButton(row)->accessibleName(), "<img src=x> R&D, 2 windows, selected");
    EXPECT_EQ(child<QAbstractButton>(row, "layout-row-actions")->accessibleName(),
              "More actions for <img src=x> R&D");
    // Tooltips are rich text to Qt: the name arrives escaped.
    EXPECT_FALSE(row->toolTip().contains("<img"));
    EXPECT_TRUE(row->toolTip().contains("&lt;img"));
    EXPECT_EQ(child<LineLimitedLabel>(panel.get(), "selected-layout-name")->text(),
              "<img src=x> R&D");
    EXPECT_FALSE(
        child<LineLimitedLabel>(panel.get(), "selected-layout-name")->toolTip().contains("<img"));

    // Every QLabel of the panel shows its text literally.
    const auto labels = panel->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
}

TEST_F(PanelTest, TheFooterIsAlwaysThereAndDoesWhatItSays)
{
    auto opening = std::make_shared<QSemaphore>(0);
    openFailure = [opening] { opening->acquire(); };
    openPanel(false);
    refresh();
    EXPECT_EQ(panel->visibleSections(),
              (QList<PanelSection>{PanelSection::loading, PanelSection::footerDivider,
                                   PanelSection::footer}));
    PanelFooter *footer = child<PanelFooter>(panel.get(), "panel-footer");
    EXPECT_EQ(child<PanelActionRow>(footer, "settings-button")->toolTip(), "Open Ostrel settings");
    EXPECT_EQ(child<PanelActionRow>(footer, "quit-button")->toolTip(), "Quit Ostrel");
    child<PanelActionRow>(footer, "settings-button")->click();
    child<PanelActionRow>(footer, "quit-button")->click();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(quitRequested, 1);

    // The keys of Linux programs, as the rows write them: Ctrl+, opens the settings and Ctrl+Q
    // quits while the panel is the active window; Super, which the desktop keeps, does neither.
    auto detail = [&](const char *row) {
        return child<QLabel>(child<PanelActionRow>(footer, row), "action-row-detail")->text();
    };
    EXPECT_EQ(detail("settings-button"), "Ctrl+,");
    EXPECT_EQ(detail("quit-button"), "Ctrl+Q");
    panel->show();
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    QTest::keyClick(panel.get(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settingsOpened, 2);
    QTest::keyClick(panel.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitRequested, 2);
    QTest::keyClick(panel.get(), Qt::Key_Q, Qt::MetaModifier);
    QTest::keyClick(panel.get(), Qt::Key_Comma, Qt::MetaModifier);
    EXPECT_EQ(settingsOpened, 2);
    EXPECT_EQ(quitRequested, 2);
    opening->release();
    ASSERT_TRUE(waitUntil([&] { return !model->storageStatus().isBootstrapping; }));
}

TEST_F(PanelTest, OpeningThePanelChecksTheTrustAgain)
{
    openPanel();
    desktop.setTrusted(false);
    refresh();
    EXPECT_TRUE(model->session().permissionTrusted);
    showPanel();
    ASSERT_TRUE(waitUntil([&] { return !model->session().permissionTrusted; }));
    refresh();
    EXPECT_EQ(panel->visibleSections().first(), PanelSection::permission);
    // Access on X11 is a window manager that supports EWMH: nothing to grant in a settings pane,
    // so Recheck is the banner's one button.
    auto *banner = child<PermissionBanner>(panel.get(), "permission-banner");
    EXPECT_EQ(banner->findChildren<QAbstractButton *>().size(), 1);
    const QStringList texts = userTexts(banner);
    EXPECT_TRUE(texts.contains("Accessibility Access Needed"));
    EXPECT_TRUE(texts.contains("Run a window manager that supports EWMH, then Recheck."));

    // Recheck finds it granted again, and the banner goes.
    desktop.setTrusted(true);
    child<PanelButton>(panel.get(), "recheck-button")->click();
    ASSERT_TRUE(waitUntil([&] { return model->session().permissionTrusted; }));
    refresh();
    EXPECT_FALSE(panel->visibleSections().contains(PanelSection::permission));
}

TEST_F(PanelTest, TheDetailsOpenWithABriefMotionUnlessMotionIsReduced)
{
    openPanel();
    saveLayout("Work");
    AppModelTestSeam(model).setLastResult(
        resultWith({entry(EntryOutcome::notOpen), entry(EntryOutcome::failed, "No.")}));
    showPanel();
    ResultSection *section = child<ResultSection>(panel.get(), "result-section");
    child<HoverRowButton>(section, "result-row")->click();
    // Moving: not yet at its height, and there within the motion's time.
    EXPECT_LT(section->shownDetailsHeight(), 90);
    ASSERT_TRUE(waitUntil([&] { return section->shownDetailsHeight() == 90; }));
    child<HoverRowButton>(section, "result-row")->click();
    ASSERT_TRUE(waitUntil(
        [&] { return child<QScrollArea>(section, "result-details")->parentWidget()->isHidden(); }));
    EXPECT_EQ(section->shownDetailsHeight(), 0);
}
