#include "model/RestoreResult.h"

namespace ostrel {

RestoreResult RestoreResult::make(const Pass &pass)
{
    RestoreResult result;
    result.id = QUuid::createUuid();
    result.kind = pass.kind;
    result.layoutID = pass.layoutID;
    result.operationID = pass.operationID;
    result.layoutName = pass.layoutName;
    result.date = QDateTime::currentDateTimeUtc();
    result.entries = pass.entries;
    result.ambiguous = pass.ambiguous;
    result.summary = pass.summary;
    result.wasCancelled = pass.wasCancelled;
    result.permissionLost = pass.permissionLost;
    // Deferred entries may have no result of their own, so the pass's counts stand.
    result.movedWindowCount = pass.movedCount;
    result.deferredCount = pass.deferredCount;
    result.deferredReason = pass.deferredReason;
    const auto count = [&pass](EntryOutcome outcome) {
        return countOutcome(pass.entries, outcome);
    };
    result.exactCount = count(EntryOutcome::restored);
    result.adjustedCount = count(EntryOutcome::adjusted);
    result.notOpenCount = count(EntryOutcome::notOpen);
    result.needsSelectionCount = count(EntryOutcome::needsSelection);
    result.failedCount = count(EntryOutcome::failed);
    result.excludedCount = count(EntryOutcome::excluded);
    result.cancelledCount = count(EntryOutcome::cancelled);
    result.skippedCount = count(EntryOutcome::skipped);
    return result;
}

} // namespace ostrel
