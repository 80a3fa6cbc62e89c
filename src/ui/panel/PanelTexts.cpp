#include "ui/panel/PanelTexts.h"

#include "model/EntryResult.h"
#include "model/Layout.h"
#include "model/RestoreProgress.h"
#include "model/RestoreResult.h"
#include "model/ShortcutFormatter.h"
#include "model/UndoInfo.h"
#include "model/UserFacingError.h"
#include "ui/panel/PanelState.h"

namespace ostrel {

namespace {

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

std::optional<QString> globalShortcutText(const PanelState &state, KeyLabelSource *labels)
{
    if (!state.shortcuts.activeGlobalShortcut) {
        return std::nullopt;
    }
    return ShortcutFormatter::text(*state.shortcuts.activeGlobalShortcut, labels);
}

} // namespace

QString PanelTexts::layoutSummary(const Layout &layout)
{
    return counted(layout.entries.size(), QStringLiteral("window"), QStringLiteral("windows"))
        + QStringLiteral(" · ")
        + counted(layout.displays.size(), QStringLiteral("display"), QStringLiteral("displays"));
}

QString PanelTexts::restoreHelp(const PanelState &state, KeyLabelSource *labels)
{
    if (!state.canRestore) {
        return restoreDisabledHelp(state);
    }
    if (const std::optional<QString> shortcut = globalShortcutText(state, labels)) {
        return QStringLiteral("Restore this layout (") + *shortcut + QLatin1Char(')');
    }
    return QStringLiteral("Restore this layout");
}

QString PanelTexts::restoreDisabledHelp(const PanelState &state)
{
    if (!state.session.permissionTrusted) {
        return QStringLiteral("Enable Accessibility access to restore this layout");
    }
    if (!state.selectedLayout) {
        return QStringLiteral("Choose a layout to restore");
    }
    if (state.hasPendingExclusionMutation) {
        return QStringLiteral("Wait for the application change to finish");
    }
    if (state.restore.busy) {
        return QStringLiteral("Wait for the current operation to finish");
    }
    return state.storage.storageProblem ? QStringLiteral("Saved layouts are unavailable")
                                        : QStringLiteral("Restore is unavailable");
}

QString PanelTexts::restoreAccessibleName(const PanelState &state, KeyLabelSource *labels)
{
    if (state.isBusyWith(OperationKind::restoring)) {
        return QStringLiteral("Restoring layout");
    }
    if (const std::optional<QString> shortcut = globalShortcutText(state, labels)) {
        return QStringLiteral("Restore layout, shortcut ") + *shortcut;
    }
    return QStringLiteral("Restore layout");
}

QString PanelTexts::captureHelp(const PanelState &state)
{
    return state.canCapture ? QStringLiteral("Save the open windows as a layout")
                            : captureDisabledHelp(state);
}

QString PanelTexts::captureDisabledHelp(const PanelState &state)
{
    if (!state.session.permissionTrusted) {
        return QStringLiteral("Enable Accessibility access to save windows");
    }
    if (state.hasPendingExclusionMutation) {
        return QStringLiteral("Wait for the application change to finish");
    }
    if (state.isBusyWith(OperationKind::capturing)) {
        return QStringLiteral("Capturing windows…");
    }
    if (state.restore.busy) {
        return QStringLiteral("Wait for the current operation to finish");
    }
    if (state.storage.storageProblem) {
        return QStringLiteral("Saved layouts are unavailable");
    }
    return QStringLiteral("Capture is unavailable");
}

QString PanelTexts::progressTitle(const RestoreProgress &progress,
                                  std::optional<OperationKind> busy)
{
    if (busy == OperationKind::undoing) {
        return QStringLiteral("Undoing…");
    }
    return QStringLiteral("Restoring “") + progress.layoutName + QStringLiteral("”…");
}

QString PanelTexts::progressValue(const RestoreProgress &progress)
{
    return QString::number(progress.completed) + QStringLiteral(" of ")
        + QString::number(progress.total) + QStringLiteral(" windows processed");
}

QString PanelTexts::resultAccessibleName(const RestoreResult &result)
{
    return QStringLiteral("Last result: ") + result.summary;
}

QString PanelTexts::resultKindLine(const RestoreResult &result)
{
    return (result.kind == ResultKind::undo ? QStringLiteral("Undo") : QStringLiteral("Restore"))
        + QStringLiteral(" · ") + result.layoutName;
}

QString PanelTexts::undoText(const UndoInfo &undo)
{
    QString text = QStringLiteral("Undo: ")
        + counted(undo.entryCount, QStringLiteral("window"), QStringLiteral("windows"));
    if (undo.partial) {
        text += QStringLiteral(" · retry");
    }
    return text;
}

QString PanelTexts::outcomeWord(EntryOutcome outcome)
{
    switch (outcome) {
    case EntryOutcome::restored:
        return QStringLiteral("Restored");
    case EntryOutcome::adjusted:
        return QStringLiteral("Adjusted by app");
    case EntryOutcome::notOpen:
        return QStringLiteral("Not open");
    case EntryOutcome::needsSelection:
        return QStringLiteral("Needs selection");
    case EntryOutcome::excluded:
        return QStringLiteral("Excluded");
    case EntryOutcome::failed:
        return QStringLiteral("Failed");
    case EntryOutcome::cancelled:
        return QStringLiteral("Cancelled");
    case EntryOutcome::deferred:
        return QStringLiteral("Deferred");
    case EntryOutcome::skipped:
        return QStringLiteral("Skipped");
    }
    return {};
}

QString PanelTexts::entryAccessibleName(const EntryResult &entry)
{
    return entry.label + QStringLiteral(", ") + outcomeWord(entry.outcome);
}

QString PanelTexts::resultAnnouncement(const RestoreResult &result)
{
    return (result.kind == ResultKind::undo ? QStringLiteral("Undo") : QStringLiteral("Restore"))
        + QStringLiteral(" finished. ") + result.summary;
}

QString PanelTexts::errorAnnouncement(const UserFacingError &error)
{
    return error.title + QStringLiteral(". ") + error.message;
}

QString PanelTexts::rowAccessibleName(const Layout &layout, bool selected)
{
    return layout.name + QStringLiteral(", ") + QString::number(layout.entries.size())
        + QStringLiteral(" windows, ")
        + (selected ? QStringLiteral("selected") : QStringLiteral("not selected"));
}

QString PanelTexts::rowActionsAccessibleName(const Layout &layout)
{
    return QStringLiteral("More actions for ") + layout.name;
}

QString PanelTexts::deleteConfirmationMessage(const QString &layoutName)
{
    return QStringLiteral("Delete “") + layoutName + QStringLiteral("”? Your windows stay open.");
}

QString PanelTexts::deleteFailureTitle(const QString &layoutName)
{
    return QStringLiteral("Couldn’t Delete “") + layoutName + QStringLiteral("”");
}

} // namespace ostrel
