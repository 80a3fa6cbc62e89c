#include "restore/UndoJournal.h"

#include "model/AXWindowIdentity.h"

#include <QSet>

namespace ostrel {

namespace {

AXWindowIdentity identityOf(const UndoWindow &window)
{
    return window.reference.identity();
}

} // namespace

UndoInfo UndoSnapshot::info() const
{
    return UndoInfo{layoutName, static_cast<int>(entries.size()), date, hasPendingFailures};
}

QList<UndoWindow> UndoJournal::dedupe(const QList<UndoWindow> &windows)
{
    QList<UndoWindow> kept;
    QSet<AXWindowIdentity> seen;
    for (const UndoWindow &window : windows) {
        const AXWindowIdentity identity = identityOf(window);
        if (!seen.contains(identity)) {
            seen.insert(identity);
            kept.append(window);
        }
    }
    return kept;
}

std::optional<UndoSnapshot> UndoJournal::store(std::optional<UndoSnapshot> stored,
                                               const QList<UndoWindow> &journal,
                                               const QUuid &operationID, const QUuid &layoutID,
                                               const QString &layoutName, bool mergeUndo,
                                               const QDateTime &now)
{
    if (journal.isEmpty()) {
        return stored;
    }
    if (!mergeUndo || !stored || stored->operationID != operationID) {
        return UndoSnapshot{operationID, layoutID, layoutName, now, journal, false};
    }
    UndoSnapshot merged = *stored;
    for (const UndoWindow &window : journal) {
        const AXWindowIdentity identity = identityOf(window);
        bool found = false;
        for (UndoWindow &existing : merged.entries) {
            if (identityOf(existing) == identity) {
                existing.reference = window.reference;
                found = true;
                break;
            }
        }
        if (!found) {
            merged.entries.append(window);
        }
    }
    merged.layoutName = layoutName;
    merged.date = now;
    return merged;
}

} // namespace ostrel
