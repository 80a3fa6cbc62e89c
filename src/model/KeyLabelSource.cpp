#include "model/KeyLabelSource.h"

#include <QMutex>
#include <QMutexLocker>

#include <utility>

namespace ostrel {

namespace {

QMutex &sourceLock()
{
    static QMutex lock;
    return lock;
}

std::shared_ptr<KeyLabelSource> &installedSource()
{
    static std::shared_ptr<KeyLabelSource> source;
    return source;
}

} // namespace

void KeyLabelSource::setCurrent(std::shared_ptr<KeyLabelSource> source)
{
    std::shared_ptr<KeyLabelSource> previous;
    {
        QMutexLocker locker(&sourceLock());
        previous = std::exchange(installedSource(), std::move(source));
    }
    // `previous` is released here, outside the lock, in case its destructor does real work.
}

std::shared_ptr<KeyLabelSource> KeyLabelSource::current()
{
    QMutexLocker locker(&sourceLock());
    return installedSource();
}

} // namespace ostrel
