#include "platform/OverlayWindowRegistry.h"

#include <QMutex>
#include <QMutexLocker>

#include <limits>

namespace ostrel {

namespace {

struct Registry {
    QMutex lock;
    QSet<quint32> numbers;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

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
    Registry &r = registry();
    QMutexLocker locker(&r.lock);
    r.numbers.insert(quint32(windowNumber));
}

void OverlayWindowRegistry::remove(qint64 windowNumber)
{
    if (!isWindowNumber(windowNumber)) {
        return;
    }
    Registry &r = registry();
    QMutexLocker locker(&r.lock);
    r.numbers.remove(quint32(windowNumber));
}

QSet<quint32> OverlayWindowRegistry::windowNumbers()
{
    Registry &r = registry();
    QMutexLocker locker(&r.lock);
    return r.numbers;
}

} // namespace ostrel
