#pragma once

#include "model/RectD.h"
#include "model/UndoInfo.h"
#include "model/WindowReference.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// One window the last restore may have changed, and where it was before.
struct UndoWindow {
    WindowReference reference;
    RectD previousFrame;
    std::optional<QString> displayKey;        // the display the previous frame lay on
    std::optional<RectD> displayVisibleFrame; // that display's visible frame at the time
    QString label;
    bool pendingFailure = false; // kept by an undo that could not put it back
};

// The one-step undo journal. It lives only in memory: nothing survives a restart.
struct UndoSnapshot {
    QUuid operationID;
    std::optional<QUuid> layoutID;
    QString layoutName;
    QDateTime date;
    QList<UndoWindow> entries;
    bool hasPendingFailures = false;

    UndoInfo info() const;
};

namespace UndoJournal {

// Keeps the first journaled window of every live window, in order.
QList<UndoWindow> dedupe(const QList<UndoWindow> &windows);

// Stores the windows a restore journaled into the journal: a new journal unless the restore
// continues the stored operation, in which case windows already journaled keep the frame they
// had before the operation's first pass and only take the newer reference.
std::optional<UndoSnapshot> store(std::optional<UndoSnapshot> stored,
                                  const QList<UndoWindow> &journal, const QUuid &operationID,
                                  const QUuid &layoutID, const QString &layoutName, bool mergeUndo,
                                  const QDateTime &now);

} // namespace UndoJournal

} // namespace ostrel
