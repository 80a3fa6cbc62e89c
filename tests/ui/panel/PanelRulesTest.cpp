// The rules behind the panel's sections, as tables: which sections show, what the buttons and
// their help say, how a result is presented.

#include "model/EntryResult.h"
#include "model/RestoreResult.h"
#include "model/UserFacingError.h"
#include "ui/panel/PanelSectionTree.h"
#include "ui/panel/PanelState.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/ResultPresentation.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace ostrel;

namespace ostrel {
void PrintTo(PanelSection section, std::ostream *out)
{
    static const char *names[] = {"loading",  "storageProblem",   "permission",    "storageNotice",
                                  "firstRun", "selectedLayout",   "layoutDivider", "progress",
                                  "result",   "automationNotice", "layouts",       "footerDivider",
                                  "footer"};
    *out << names[static_cast<int>(section)];
}
} // namespace ostrel

namespace {

Layout layoutWith(const QString &name, int windows, int displays)
{
    Layout layout;
    layout.id = QUuid::createUuid();
    layout.name = name;
    for (int i = 0; i < windows; ++i) {
        WindowEntry entry;
        entry.id = QUuid::createUuid();
        entry.bundleID = QStringLiteral("com.example.app");
        entry.appName = QStringLiteral("App");
        layout.entries.append(entry);
    }
    for (int i = 0; i < displays; ++i) {
        DisplaySnapshot display;
        display.identity = {1, 2, 0, quint32(i)};
        layout.displays.append(display);
    }
    return layout;
}

// A usable panel: started, trusted, one layout selected, nothing running.
PanelState idleState()
{
    PanelState state;
    state.storage.isBootstrapping = false;
    state.session.permissionTrusted = true;
    state.saved.layouts = {layoutWith("Work", 2, 1)};
    state.settings.selectedLayoutID = state.saved.layouts.first().id;
    state.selectedLayout = state.saved.layouts.first();
    state.canRestore = true;
    state.canCapture = true;
    return state;
}

RestoreResult resultNamed(const QString &summary)
{
    RestoreResult result;
    result.id = QUuid::createUuid();
    result.summary = summary;
    result.layoutName = QStringLiteral("Work");
    return result;
}

using S = PanelSection;

} // namespace

TEST(PanelSectionTree, ShowsTheSectionsOfEachStateInOrderWithTheFooterLast)
{
    struct Case {
        const char *name;
        std::function<void(PanelState &)> change;
        QList<PanelSection> sections;
    };
    StorageProblem problem;
    problem.title = QStringLiteral("Storage Unavailable");
    const Case cases[] = {
        {"starting, even with a problem and a notice already published",
         [&](PanelState &s) {
             s.storage.isBootstrapping = true;
             s.storage.storageProblem = problem;
             s.storage.storageNotice = StorageNotice{"Recovered", "From the backup.", std::nullopt};
         },
         {S::loading, S::footerDivider, S::footer}},
        {"a storage problem hides everything else",
         [&](PanelState &s) {
             s.storage.storageProblem = problem;
             s.session.permissionTrusted = false;
             s.session.automationNotice = QStringLiteral("Moved.");
         },
         {S::storageProblem, S::footerDivider, S::footer}},
        {"layouts, idle",
         [](PanelState &) {},
         {S::selectedLayout, S::layoutDivider, S::layouts, S::footerDivider, S::footer}},
        {"no layouts: the first-run card alone",
         [](PanelState &s) {
             s.saved.layouts.clear();
             s.session.automationNotice = QStringLiteral("Ignored without layouts.");
         },
         {S::firstRun, S::footerDivider, S::footer}},
        {"no trust and no layouts: the banner above the first-run card",
         [](PanelState &s) {
             s.saved.layouts.clear();
             s.session.permissionTrusted = false;
         },
         {S::permission, S::firstRun, S::footerDivider, S::footer}},
        {"banner and notice together, above the layouts",
         [](PanelState &s) {
             s.session.permissionTrusted = false;
             s.storage.storageNotice = StorageNotice{"Recovered", "From the backup.", std::nullopt};
         },
         {S::permission, S::storageNotice, S::selectedLayout, S::layoutDivider, S::layouts,
          S::footerDivider, S::footer}},
        {"a pass running with progress hides the last result",
         [](PanelState &s) {
             s.restore.busy = OperationKind::restoring;
             s.restore.progress = RestoreProgress{0, 2, std::nullopt, "Work"};
             s.restore.lastResult = resultNamed("Restored 2 windows.");
         },
         {S::selectedLayout, S::layoutDivider, S::progress, S::layouts, S::footerDivider,
          S::footer}},
        {"busy without progress (a capture) shows neither",
         [](PanelState &s) {
             s.restore.busy = OperationKind::capturing;
             s.restore.lastResult = resultNamed("Restored 2 windows.");
         },
         {S::selectedLayout, S::layoutDivider, S::layouts, S::footerDivider, S::footer}},
        {"the last result once idle",
         [](PanelState &s) { s.restore.lastResult = resultNamed("Restored 2 windows."); },
         {S::selectedLayout, S::layoutDivider, S::result, S::layouts, S::footerDivider, S::footer}},
        {"an automation notice between the result and the list",
         [](PanelState &s) {
             s.restore.lastResult = resultNamed("Restored 2 windows.");
             s.session.automationNotice = QStringLiteral("Restored Work.");
         },
         {S::selectedLayout, S::layoutDivider, S::result, S::automationNotice, S::layouts,
          S::footerDivider, S::footer}},
        {"an automation notice without a result",
         [](PanelState &s) { s.session.automationNotice = QStringLiteral("Restored Work."); },
         {S::selectedLayout, S::layoutDivider, S::automationNotice, S::layouts, S::footerDivider,
          S::footer}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PanelState state = idleState();
        c.change(state);
        EXPECT_EQ(panelSectionTree(state), c.sections);
    }
}

TEST(PanelTexts, SummariesCountWindowsAndDisplays)
{
    struct Case {
        int windows;
        int displays;
        const char *summary;
    };
    for (const Case c :
         {Case{1, 1, "1 window · 1 display"}, Case{3, 2, "3 windows · 2 displays"},
          Case{0, 1, "0 windows · 1 display"}, Case{2, 0, "2 windows · 0 displays"}}) {
        EXPECT_EQ(PanelTexts::layoutSummary(layoutWith("L", c.windows, c.displays)),
                  QString::fromUtf8(c.summary));
    }
    // The row's own description keeps "windows" for one window.
    const Layout desk = layoutWith("Desk", 1, 1);
    EXPECT_EQ(PanelTexts::rowAccessibleName(desk, true), "Desk, 1 windows, selected");
    EXPECT_EQ(PanelTexts::rowAccessibleName(desk, false), "Desk, 1 windows, not selected");
    EXPECT_EQ(PanelTexts::rowActionsAccessibleName(desk), "More actions for Desk");
}

TEST(PanelTexts, RestoreHelpNamesTheFirstReasonRestoreIsBlocked)
{
    struct Case {
        const char *name;
        std::function<void(PanelState &)> change;
        const char *help;
    };
    StorageProblem problem;
    const Case cases[] = {
        {"can restore", [](PanelState &) {}, "Restore this layout"},
        {"can restore, with the global shortcut",
         [](PanelState &s) {
             s.shortcuts.activeGlobalShortcut = Shortcut{15, Shortcut::command | Shortcut::option};
         },
         "Restore this layout (Alt+Super+R)"},
        {"no trust wins over no selection",
         [](PanelState &s) {
             s.canRestore = false;
             s.session.permissionTrusted = false;
             s.selectedLayout.reset();
         },
         "Enable Accessibility access to restore this layout"},
        {"no trust together with a storage problem",
         [&](PanelState &s) {
             s.canRestore = false;
             s.session.permissionTrusted = false;
             s.storage.storageProblem = problem;
         },
         "Enable Accessibility access to restore this layout"},
        {"nothing selected",
         [](PanelState &s) {
             s.canRestore = false;
             s.selectedLayout.reset();
         },
         "Choose a layout to restore"},
        {"an exclusion change wins over a running operation",
         [](PanelState &s) {
             s.canRestore = false;
             s.hasPendingExclusionMutation = true;
             s.restore.busy = OperationKind::restoring;
         },
         "Wait for the application change to finish"},
        {"busy",
         [](PanelState &s) {
             s.canRestore = false;
             s.restore.busy = OperationKind::undoing;
         },
         "Wait for the current operation to finish"},
        {"storage problem",
         [&](PanelState &s) {
             s.canRestore = false;
             s.storage.storageProblem = problem;
         },
         "Saved layouts are unavailable"},
        {"no reason known", [](PanelState &s) { s.canRestore = false; }, "Restore is unavailable"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PanelState state = idleState();
        c.change(state);
        EXPECT_EQ(PanelTexts::restoreHelp(state, nullptr), QString::fromUtf8(c.help));
    }
}

TEST(PanelTexts, TheRestoreButtonSaysRestoringOnlyWhileARestoreRuns)
{
    struct Case {
        std::optional<OperationKind> busy;
        bool shortcut;
        const char *name;
    };
    for (const Case c : {Case{std::nullopt, false, "Restore layout"},
                         Case{std::nullopt, true, "Restore layout, shortcut Alt+Super+R"},
                         Case{OperationKind::restoring, true, "Restoring layout"},
                         Case{OperationKind::undoing, false, "Restore layout"},
                         Case{OperationKind::undoing, true, "Restore layout, shortcut Alt+Super+R"},
                         Case{OperationKind::capturing, false, "Restore layout"}}) {
        PanelState state = idleState();
        state.restore.busy = c.busy;
        if (c.shortcut) {
            state.shortcuts.activeGlobalShortcut =
                Shortcut{15, Shortcut::command | Shortcut::option};
        }
        EXPECT_EQ(PanelTexts::restoreAccessibleName(state, nullptr), QString::fromUtf8(c.name));
    }
}

TEST(PanelTexts, CaptureHelpNamesTheFirstReasonSavingIsBlocked)
{
    struct Case {
        const char *name;
        std::function<void(PanelState &)> change;
        const char *help;
    };
    StorageProblem problem;
    const Case cases[] = {
        {"can capture", [](PanelState &) {}, "Save the open windows as a layout"},
        {"no trust together with a storage problem",
         [&](PanelState &s) {
             s.session.permissionTrusted = false;
             s.storage.storageProblem = problem;
         },
         "Enable Accessibility access to save windows"},
        {"an exclusion change while a restore runs",
         [](PanelState &s) {
             s.hasPendingExclusionMutation = true;
             s.restore.busy = OperationKind::restoring;
         },
         "Wait for the application change to finish"},
        {"capturing", [](PanelState &s) { s.restore.busy = OperationKind::capturing; },
         "Capturing windows…"},
        {"another operation", [](PanelState &s) { s.restore.busy = OperationKind::saving; },
         "Wait for the current operation to finish"},
        {"storage problem", [&](PanelState &s) { s.storage.storageProblem = problem; },
         "Saved layouts are unavailable"},
        {"no reason known", [](PanelState &) {}, "Capture is unavailable"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PanelState state = idleState();
        c.change(state);
        if (std::string(c.name) != "can capture") {
            state.canCapture = false;
        }
        EXPECT_EQ(PanelTexts::captureHelp(state), QString::fromUtf8(c.help));
    }
}

TEST(PanelTexts, ProgressTitleAndCount)
{
    struct Case {
        RestoreProgress progress;
        std::optional<OperationKind> busy;
        const char *title;
        const char *value;
    };
    const Case cases[] = {
        {{2, 5, std::nullopt, "Work"},
         OperationKind::restoring,
         "Restoring “Work”…",
         "2 of 5 windows processed"},
        {{0, 0, std::nullopt, ""},
         OperationKind::restoring,
         "Restoring “”…",
         "0 of 0 windows processed"},
        {{1, 3, std::nullopt, "Work"},
         OperationKind::undoing,
         "Undoing…",
         "1 of 3 windows processed"},
        {{0, 1, std::nullopt, "<b>R&D</b>"},
         OperationKind::restoring,
         "Restoring “<b>R&D</b>”…",
         "0 of 1 windows processed"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PanelTexts::progressTitle(c.progress, c.busy), QString::fromUtf8(c.title));
        EXPECT_EQ(PanelTexts::progressValue(c.progress), QString::fromUtf8(c.value));
    }
}

TEST(PanelTexts, ResultLinesUndoTextsAndAnnouncements)
{
    RestoreResult result = resultNamed("Restored 2 of 3 windows.");
    EXPECT_EQ(PanelTexts::resultKindLine(result), "Restore · Work");
    EXPECT_EQ(PanelTexts::resultAccessibleName(result), "Last result: Restored 2 of 3 windows.");
    EXPECT_EQ(PanelTexts::resultAnnouncement(result), "Restore finished. Restored 2 of 3 windows.");
    result.kind = ResultKind::undo;
    EXPECT_EQ(PanelTexts::resultKindLine(result), "Undo · Work");
    EXPECT_EQ(PanelTexts::resultAnnouncement(result), "Undo finished. Restored 2 of 3 windows.");

    struct UndoCase {
        qint64 count;
        bool partial;
        const char *text;
    };
    for (const UndoCase c :
         {UndoCase{1, false, "Undo: 1 window"}, UndoCase{0, false, "Undo: 0 windows"},
          UndoCase{4, false, "Undo: 4 windows"}, UndoCase{1, true, "Undo: 1 window · retry"},
          UndoCase{3, true, "Undo: 3 windows · retry"}}) {
        EXPECT_EQ(PanelTexts::undoText(UndoInfo{"Work", c.count, {}, c.partial}),
                  QString::fromUtf8(c.text));
    }

    EXPECT_EQ(PanelTexts::errorAnnouncement(
                  UserFacingError{QUuid::createUuid(), "No Displays Available",
                                  "Ostrel could not read any connected displays."}),
              "No Displays Available. Ostrel could not read any connected displays.");

    EntryResult entry;
    entry.label = QStringLiteral("Safari — example.com");
    entry.outcome = EntryOutcome::adjusted;
    EXPECT_EQ(PanelTexts::entryAccessibleName(entry), "Safari — example.com, Adjusted by app");

    EXPECT_EQ(PanelTexts::deleteConfirmationMessage("R&D"),
              "Delete “R&D”? Your windows stay open.");
    EXPECT_EQ(PanelTexts::deleteFailureTitle("Desk"), "Couldn’t Delete “Desk”");
}

TEST(ResultPresentation, SymbolAndToneAgreeOnWhatThePassLeftToDo)
{
    using Tone = ResultPresentation::Tone;
    struct Case {
        const char *name;
        std::function<void(RestoreResult &)> change;
        const char *icon;
        Tone tone;
    };
    const Case cases[] = {
        {"all exact",
         [](RestoreResult &r) {
             r.exactCount = 3;
             r.movedWindowCount = 3;
         },
         "checkmark.circle.fill", Tone::success},
        {"adjusted only", [](RestoreResult &r) { r.adjustedCount = 1; }, "checkmark.circle.fill",
         Tone::success},
        {"moved only as the pass counted", [](RestoreResult &r) { r.movedWindowCount = 1; },
         "checkmark.circle.fill", Tone::success},
        {"nothing moved, nothing wrong",
         [](RestoreResult &r) {
             r.skippedCount = 2;
             r.notOpenCount = 1;
         },
         "info.circle", Tone::neutral},
        {"needs selection beats success",
         [](RestoreResult &r) {
             r.exactCount = 2;
             r.needsSelectionCount = 1;
         },
         "exclamationmark.circle", Tone::attention},
        {"failed", [](RestoreResult &r) { r.failedCount = 1; }, "exclamationmark.circle",
         Tone::attention},
        {"cancelled", [](RestoreResult &r) { r.cancelledCount = 1; }, "exclamationmark.circle",
         Tone::attention},
        {"permission lost alone", [](RestoreResult &r) { r.permissionLost = true; },
         "exclamationmark.circle", Tone::attention},
        {"deferred", [](RestoreResult &r) { r.deferredCount = 2; }, "exclamationmark.circle",
         Tone::attention},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RestoreResult result = resultNamed("Summary");
        c.change(result);
        EXPECT_EQ(ResultPresentation::icon(result), c.icon);
        EXPECT_EQ(ResultPresentation::tone(result), c.tone);
    }
}

TEST(ResultPresentation, DetailsHeightComesFromTheEntriesAlone)
{
    auto entries = [](int plain, int withDetail, int restoredWithDetail) {
        QList<EntryResult> list;
        for (int i = 0; i < plain; ++i) {
            list.append(EntryResult{QUuid::createUuid(), "A", "A", "a", EntryOutcome::notOpen,
                                    std::nullopt, std::nullopt, std::nullopt});
        }
        for (int i = 0; i < withDetail; ++i) {
            list.append(EntryResult{QUuid::createUuid(), "B", "B", "b", EntryOutcome::failed,
                                    QStringLiteral("The window refused."), std::nullopt,
                                    std::nullopt});
        }
        for (int i = 0; i < restoredWithDetail; ++i) {
            list.append(EntryResult{QUuid::createUuid(), "C", "C", "c", EntryOutcome::restored,
                                    QStringLiteral("Never shown."), std::nullopt, std::nullopt});
        }
        return list;
    };
    struct Case {
        int plain, withDetail, restoredWithDetail;
        int height;
    };
    for (const Case c :
         {Case{0, 0, 0, 40}, Case{1, 0, 0, 40}, Case{5, 0, 0, 166}, Case{6, 0, 0, 184},
          Case{0, 1, 0, 58}, Case{2, 1, 0, 122}, Case{0, 0, 1, 40}, Case{4, 0, 1, 166},
          Case{0, 3, 0, 162}, Case{1000, 0, 0, 184}}) {
        EXPECT_EQ(
            ResultPresentation::detailsHeight(entries(c.plain, c.withDetail, c.restoredWithDetail)),
            c.height)
            << c.plain << " plain, " << c.withDetail << " with detail, " << c.restoredWithDetail
            << " restored with detail";
    }
}
