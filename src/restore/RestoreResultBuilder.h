#pragma once

#include "model/AmbiguousEntry.h"
#include "model/EntryResult.h"
#include "model/Layout.h"
#include "model/RestoreResult.h"
#include "model/WindowEntry.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// The pieces every restore and undo pass ends with: the one summary line the panel shows, and
// the whole results of passes that cannot go on. `RestoreResult::make` does the counting.
class RestoreResultBuilder {
public:
    static QString makeSummary(const QList<EntryResult> &entries, bool wasCancelled,
                               bool permissionLost);

    // The whole result of a pass that cannot work without Accessibility access.
    static RestoreResult permissionFailure(const QString &layoutName,
                                           const QList<WindowEntry> &entries, ResultKind kind);

    // The whole result of a restore cancelled before its window scan finished; pending entries
    // without an outcome yet become cancelled in `output`.
    static RestoreResult finishCancelledScan(const Layout &layout,
                                             const QList<WindowEntry> &pending,
                                             QHash<QUuid, EntryResult> &output,
                                             const QUuid &operationID);

    // One entry's result with no frame and no window number.
    static EntryResult entryResult(const WindowEntry &entry, EntryOutcome outcome,
                                   const QString &detail);

    // The results of the layout's entries found in `output`, in the layout's order.
    static QList<EntryResult> inLayoutOrder(const Layout &layout,
                                            const QHash<QUuid, EntryResult> &output);
};

} // namespace ostrel
