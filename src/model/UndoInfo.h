#pragma once

#include <QDateTime>
#include <QString>

namespace ostrel {

// What the one-step undo would revert.
struct UndoInfo {
    QString layoutName;
    qint64 entryCount = 0; // windows the undo would move back
    QDateTime date;
    bool partial = false; // some windows are still pending after failures

    friend bool operator==(const UndoInfo &, const UndoInfo &) = default;
};

} // namespace ostrel
