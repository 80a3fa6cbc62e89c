#pragma once

#include <QSet>
#include <QtGlobal>

namespace ostrel {

// The window numbers of the program's own overlay panels (candidate markers, the restore
// flash), so that reading which windows cover a restored window can leave them out. One set
// for the whole process; safe to use from any thread.
class OverlayWindowRegistry {
public:
    // Only a positive number that fits a window number is kept: a panel that has no window on
    // screen yet reports 0.
    static void add(qint64 windowNumber);
    // A number that is not in the set is ignored.
    static void remove(qint64 windowNumber);
    static QSet<quint32> windowNumbers();
};

} // namespace ostrel
