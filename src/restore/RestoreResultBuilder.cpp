#include "restore/RestoreResultBuilder.h"

#include <QStringList>

namespace ostrel {

QString RestoreResultBuilder::makeSummary(const QList<EntryResult> &entries, bool wasCancelled,
                                          bool permissionLost)
{
    if (permissionLost) {
        return QStringLiteral("Accessibility access was lost");
    }
    const qint64 restored = countOutcome(entries, EntryOutcome::restored);
    const qint64 adjusted = countOutcome(entries, EntryOutcome::adjusted);
    const qint64 notOpen = countOutcome(entries, EntryOutcome::notOpen);
    const qint64 needsSelection = countOutcome(entries, EntryOutcome::needsSelection);
    const qint64 failed = countOutcome(entries, EntryOutcome::failed);
    const qint64 excluded = countOutcome(entries, EntryOutcome::excluded);
    const qint64 cancelled = countOutcome(entries, EntryOutcome::cancelled);
    const qint64 deferred = countOutcome(entries, EntryOutcome::deferred);
    const qint64 skipped = countOutcome(entries, EntryOutcome::skipped);

    const QString nothingOpen = QStringLiteral("No matching open windows");
    if (restored == 0 && adjusted == 0 && needsSelection == 0 && failed == 0 && cancelled == 0
        && deferred == 0 && skipped == 0 && notOpen > 0) {
        return excluded == 0 ? nothingOpen
                             : nothingOpen + QStringLiteral(" · %1 excluded").arg(excluded);
    }

    QStringList parts;
    const auto add = [&parts](qint64 n, const QString &suffix) {
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
    return RestoreResult::make({.kind = kind,
                                .layoutName = layoutName,
                                .entries = results,
                                .summary = QStringLiteral("Accessibility access is off"),
                                .permissionLost = true});
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
    return RestoreResult::make({.kind = ResultKind::restore,
                                .layoutID = layout.id,
                                .operationID = operationID,
                                .layoutName = layout.name,
                                .entries = entries,
                                .summary = makeSummary(entries, true, false),
                                .wasCancelled = true});
}

} // namespace ostrel
