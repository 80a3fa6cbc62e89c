#include "restore/MoveOperation.h"

#include "platform/DisplayGeometry.h"
#include "restore/RestoreGeometry.h"
#include "restore/RestoreResultBuilder.h"

namespace ostrel {

using namespace RestoreGeometry;

EntryResult classify(const MoveOperation &move, const FrameApplyResult &applied, bool cancelled)
{
    const auto result = [&move](EntryOutcome outcome, const QString &detail) {
        return RestoreResultBuilder::entryResult(move.entry, outcome, detail);
    };
    if (applied.cancelled || (cancelled && !applied.attemptedWrite)) {
        return result(EntryOutcome::cancelled,
                      QStringLiteral("Cancelled before this window was moved"));
    }
    if (!applied.after) {
        return result(
            EntryOutcome::failed,
            applied.message().value_or(QStringLiteral("Couldn’t move or verify this window.")));
    }
    const RectD after = *applied.after;
    if (after.isApproximatelyEqual(move.target, placedTolerance)) {
        EntryResult placed =
            result(EntryOutcome::restored, QStringLiteral("Placed on ") + move.displayName);
        placed.frame = after;
        placed.windowID = move.reference.windowID;
        return placed;
    }
    const bool stayed =
        !applied.before || applied.before->isApproximatelyEqual(after, movedTolerance);
    if (stayed) {
        if (applied.hasUnsupportedFailure()) {
            return result(EntryOutcome::failed,
                          QStringLiteral("The app does not allow moving or resizing this window"));
        }
        return result(EntryOutcome::failed,
                      applied.message().value_or(QStringLiteral("The window did not move")));
    }
    if (applied.hasUnsupportedFailure()) {
        return result(EntryOutcome::adjusted, QStringLiteral("Placed as close as the app allows."));
    }
    if (applied.initialWriteFailed()) {
        return result(EntryOutcome::adjusted,
                      QStringLiteral("The app rejected the target and adjusted the window."));
    }
    return result(EntryOutcome::adjusted, QStringLiteral("The app adjusted the position or size."));
}

void journalPossibleChange(const MoveOperation &move, const RectD &previousFrame,
                           const FrameApplyResult &applied, const QList<CurrentDisplay> &displays,
                           QList<UndoWindow> &journal)
{
    if (!applied.attemptedWrite) {
        return;
    }
    const bool mayHaveChanged = !applied.after
        || (applied.before && differsBy(*applied.before, *applied.after, movedTolerance));
    if (!mayHaveChanged) {
        return;
    }
    UndoWindow window{move.reference, previousFrame,      std::nullopt,
                      std::nullopt,   move.entry.label(), false};
    if (const std::optional<CurrentDisplay> display = DisplayGeometry::displayFor(
            previousFrame, displays, DisplayGeometry::DisplayArea::visibleFrame)) {
        window.displayKey = display->identity.key();
        window.displayVisibleFrame = display->visibleFrame;
    }
    journal.append(window);
}

} // namespace ostrel
