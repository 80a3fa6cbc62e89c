#include "platform/OverlayWindowRegistry.h"

#include <QMutexLocker>

#include <limits>

namespace ostrel {

namespace {

bool isWindowNumber(qint64 number)
{
    return number > 0 && number <= std::numeric_limits<quint32>::max();
}

} // namespace

void OverlayWindowRegistry::add(qint64 windowNumber)
{
    if (!isWindowNumber(windowNumber)) {
        return;
    }
    QMutexLocker locker(&lock_);
    numbers_.insert(quint32(windowNumber));
}

void OverlayWindowRegistry::remove(qint64 windowNumber)
{
    if (!isWindowNumber(windowNumber)) {
        return;
    }
    QMutexLocker locker(&lock_);
    numbers_.remove(quint32(windowNumber));
}

QSet<quint32> OverlayWindowRegistry::windowNumbers() const
{
    QMutexLocker locker(&lock_);
    return numbers_;
}

} // namespace ostrel
