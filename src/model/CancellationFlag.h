#pragma once

#include <QMutex>
#include <QMutexLocker>

namespace ostrel {

// Shared between the model, which makes a fresh one for each capture, restore or undo and sets
// it to cancel, and the running operation, which only reads it between steps. Held through a
// shared pointer by both sides.
class CancellationFlag {
public:
    CancellationFlag() = default;
    CancellationFlag(const CancellationFlag &) = delete;
    CancellationFlag &operator=(const CancellationFlag &) = delete;

    void cancel()
    {
        QMutexLocker locker(&lock_);
        cancelled_ = true;
    }

    bool isCancelled() const
    {
        QMutexLocker locker(&lock_);
        return cancelled_;
    }

private:
    mutable QMutex lock_;
    bool cancelled_ = false;
};

} // namespace ostrel
