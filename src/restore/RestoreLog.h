#pragma once

#include "model/EntryResult.h"
#include "model/FrameApplyResult.h"

#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QString>
#include <QUuid>

namespace ostrel {

// The log of the restore engine: what each pass did with each window. Debug lines are off unless
// asked for (QT_LOGGING_RULES="ostrel.restore.debug=true"); warnings are on.
Q_DECLARE_LOGGING_CATEGORY(restoreLog)

namespace RestoreLog {

// One debug line per saved window of a finished pass (`pass` says which, "restore" or "undo"):
// its outcome, the X window it went to, and, where a frame was written, the frame asked for and
// the one the window manager left the window at.
void passEntries(const QString &pass, const QString &layoutName, const QList<EntryResult> &entries,
                 const QHash<QUuid, FrameApplyResult> &writes);

// The line of one entry, as `passEntries` writes it.
QString entryLine(const QString &pass, const QString &layoutName, const EntryResult &entry,
                  const FrameApplyResult *write);

} // namespace RestoreLog

} // namespace ostrel
