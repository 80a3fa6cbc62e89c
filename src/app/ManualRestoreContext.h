#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QUuid>

namespace ostrel {

// One restore the user asked for, carried from the request through the missing-display prompt
// into the window-choice pass, so that the second pass continues the first one's undo journal.
struct ManualRestoreContext {
    QUuid operationID; // new for each request
    QUuid layoutID;
    QHash<QString, QString> fallbacks; // saved display key → chosen connected display key
    QSet<QUuid> explicitEntryIDs;      // entries the user chose a window for
    QSet<QUuid> skippedEntryIDs;       // entries the user chose to skip
    bool mergeUndo = false;            // add to the journal of the same operation

    friend bool operator==(const ManualRestoreContext &, const ManualRestoreContext &) = default;

    // A new operation for the layout: no fallbacks, no choices, a journal of its own.
    static ManualRestoreContext fresh(const QUuid &layoutID)
    {
        return {QUuid::createUuid(), layoutID, {}, {}, {}, false};
    }
};

} // namespace ostrel
