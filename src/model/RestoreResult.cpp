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
    for (const EntryResult &entry : pass.entries) {
        switch (entry.outcome) {
        case EntryOutcome::restored:
            ++result.exactCount;
            break;
        case EntryOutcome::adjusted:
            ++result.adjustedCount;
            break;
        case EntryOutcome::notOpen:
            ++result.notOpenCount;
            break;
        case EntryOutcome::needsSelection:
            ++result.needsSelectionCount;
            break;
        case EntryOutcome::failed:
            ++result.failedCount;
            break;
        case EntryOutcome::excluded:
            ++result.excludedCount;
            break;
        case EntryOutcome::cancelled:
            ++result.cancelledCount;
            break;
        case EntryOutcome::skipped:
            ++result.skippedCount;
            break;
        case EntryOutcome::deferred:
            break;
        }
    }
    return result;
}

} // namespace ostrel
