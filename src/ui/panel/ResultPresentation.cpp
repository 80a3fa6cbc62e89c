#include "ui/panel/ResultPresentation.h"

#include "model/RestoreResult.h"

#include <algorithm>

namespace ostrel {

namespace {

bool needsAttention(const RestoreResult &result)
{
    return result.needsSelectionCount > 0 || result.failedCount > 0 || result.cancelledCount > 0
        || result.permissionLost || result.deferredCount > 0;
}

bool movedAnything(const RestoreResult &result)
{
    return result.exactCount > 0 || result.adjustedCount > 0 || result.movedWindowCount > 0;
}

} // namespace

QString ResultPresentation::icon(const RestoreResult &result)
{
    if (needsAttention(result)) {
        return QStringLiteral("exclamationmark.circle");
    }
    if (movedAnything(result)) {
        return QStringLiteral("checkmark.circle.fill");
    }
    return QStringLiteral("info.circle");
}

ResultPresentation::Tone ResultPresentation::tone(const RestoreResult &result)
{
    if (needsAttention(result)) {
        return Tone::attention;
    }
    return movedAnything(result) ? Tone::success : Tone::neutral;
}

bool ResultPresentation::showsDetail(const EntryResult &entry)
{
    return entry.outcome != EntryOutcome::restored && entry.detail.has_value();
}

int ResultPresentation::detailsHeight(const QList<EntryResult> &entries)
{
    int sum = 0;
    for (const EntryResult &entry : entries) {
        sum += showsDetail(entry) ? detailLineHeight : plainLineHeight;
        // Far beyond the cap already: the rest cannot change the answer.
        if (sum > maximumDetailsHeight) {
            break;
        }
    }
    return std::clamp(sum + 6, minimumDetailsHeight, maximumDetailsHeight);
}

} // namespace ostrel
