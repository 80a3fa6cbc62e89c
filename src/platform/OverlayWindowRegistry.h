#pragma once

#include <QMutex>
#include <QSet>
#include <QtGlobal>

namespace ostrel {

// The window numbers of the program's own overlay panels (candidate markers, the restore
// flash), so that reading which windows cover a restored window can leave them out. The
// program keeps one and hands it to every overlay service; safe to use from any thread.
class OverlayWindowRegistry {
public:
    // Only a positive number that fits a window number is kept: a panel that has no window on
    // screen yet reports 0.
    void add(qint64 windowNumber);
    // A number that is not in the set is ignored.
    void remove(qint64 windowNumber);
    QSet<quint32> windowNumbers() const;

private:
    mutable QMutex lock_;
    QSet<quint32> numbers_;
};

} // namespace ostrel
