#include "restore/RestoreResultBuilder.h"

#include <QStringList>

namespace ostrel {

namespace {

int countOf(const QList<EntryResult> &entries, EntryOutcome outcome)
{
    int n = 0;
    for (const EntryResult &e : entries) {
        if (e.outcome == outcome) {
            ++n;
        }
    }
    return n;
}

} // namespace

RestoreResult
RestoreResultBuilder::makeResult(ResultKind kind, std::optional<QUuid> layoutID,
                                 std::optional<QUuid> operationID, const QString &layoutName,
                                 const QList<EntryResult> &entries,
                                 const QList<AmbiguousEntry> &ambiguous, const QString &summary,
                                 bool wasCancelled, bool permissionLost, qint64 movedCount,
                                 qint64 deferredCount, const std::optional<QString> &deferredReason)
{
    RestoreResult::Pass pass;
    pass.kind = kind;
    pass.layoutID = layoutID;
    pass.operationID = operationID;
    pass.layoutName = layoutName;
    pass.entries = entries;
    pass.ambiguous = ambiguous;
    pass.summary = summary;
    pass.wasCancelled = wasCancelled;
    pass.permissionLost = permissionLost;
    pass.movedCount = movedCount;
    pass.deferredCount = deferredCount;
    pass.deferredReason = deferredReason;
    return RestoreResult::make(pass);
}

QString RestoreResultBuilder::makeSummary(const QList<EntryResult> &entries, bool wasCancelled,
                                          bool permissionLost)
{
    if (permissionLost) {
        return QStringLiteral("Accessibility access was lost");
    }
    const int restored = countOf(entries, EntryOutcome::restored);
    const int adjusted = countOf(entries, EntryOutcome::adjusted);
    const int notOpen = countOf(entries, EntryOutcome::notOpen);
    const int needsSelection = countOf(entries, EntryOutcome::needsSelection);
    const int failed = countOf(entries, EntryOutcome::failed);
    const int excluded = countOf(entries, EntryOutcome::excluded);
    const int cancelled = countOf(entries, EntryOutcome::cancelled);
    const int deferred = countOf(entries, EntryOutcome::deferred);
    const int skipped = countOf(entries, EntryOutcome::skipped);

    const QString nothingOpen = QStringLiteral("No matching open windows");
    if (restored == 0 && adjusted == 0 && needsSelection == 0 && failed == 0 && cancelled == 0
        && deferred == 0 && skipped == 0 && notOpen > 0) {
        return excluded == 0 ? nothingOpen
                             : nothingOpen + QStringLiteral(" · %1 excluded").arg(excluded);
    }

    QStringList parts;
    const auto add = [&parts](int n, const QString &suffix) {
        if (n > 0) {
            parts.append(QString::number(n) + suffix);
        }
    };
    add(restored, QStringLiteral(" restored"));
    add(adjusted, QStringLiteral(" adjusted"));
    add(notOpen, QStringLiteral(" not open"));
    if (needsSelection == 1) {
        parts.append(QStringLiteral("1 needs selection"));
    } else {
        add(needsSelection, QStringLiteral(" need selection"));
    }
    add(failed, QStringLiteral(" failed"));
    add(excluded, QStringLiteral(" excluded"));
    add(cancelled, QStringLiteral(" cancelled"));
    add(deferred, QStringLiteral(" deferred"));
    add(skipped, QStringLiteral(" skipped"));

    if (parts.isEmpty()) {
        return wasCancelled ? QStringLiteral("Cancelled") : nothingOpen;
    }
    const QString line = parts.join(QStringLiteral(" · "));
    return wasCancelled ? QStringLiteral("Cancelled · ") + line : line;
}

EntryResult RestoreResultBuilder::entryResult(const WindowEntry &entry, EntryOutcome outcome,
                                              const QString &detail)
{
    EntryResult result;
    result.entryID = entry.id;
    result.label = entry.label();
    result.appName = entry.appName;
    result.bundleID = entry.bundleID;
    result.outcome = outcome;
    result.detail = detail;
    return result;
}

QList<EntryResult> RestoreResultBuilder::inLayoutOrder(const Layout &layout,
                                                       const QHash<QUuid, EntryResult> &output)
{
    QList<EntryResult> ordered;
    for (const WindowEntry &entry : layout.entries) {
        const auto it = output.constFind(entry.id);
        if (it != output.constEnd()) {
            ordered.append(it.value());
        }
    }
    return ordered;
}

RestoreResult RestoreResultBuilder::permissionFailure(const QString &layoutName,
                                                      const QList<WindowEntry> &entries,
                                                      ResultKind kind)
{
    QList<EntryResult> results;
    results.reserve(entries.size());
    for (const WindowEntry &entry : entries) {
        results.append(entryResult(entry, EntryOutcome::failed,
                                   QStringLiteral("Accessibility access is off")));
    }
    return makeResult(kind, std::nullopt, std::nullopt, layoutName, results, {},
                      QStringLiteral("Accessibility access is off"), false, true, 0, 0,
                      std::nullopt);
}

RestoreResult RestoreResultBuilder::finishCancelledScan(const Layout &layout,
                                                        const QList<WindowEntry> &pending,
                                                        QHash<QUuid, EntryResult> &output,
                                                        const QUuid &operationID)
{
    for (const WindowEntry &entry : pending) {
        if (!output.contains(entry.id)) {
            output.insert(entry.id,
                          entryResult(entry, EntryOutcome::cancelled,
                                      QStringLiteral("Cancelled before the window scan finished")));
        }
    }
    const QList<EntryResult> entries = inLayoutOrder(layout, output);
    return makeResult(ResultKind::restore, layout.id, operationID, layout.name, entries, {},
                      makeSummary(entries, true, false), true, false, 0, 0, std::nullopt);
}

} // namespace ostrel
