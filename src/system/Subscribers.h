#pragma once

#include <QHash>

#include <functional>
#include <mutex>

namespace ostrel {

// The handlers of a change that a backend may notice on any thread. A handler is never called
// after `unsubscribe` has returned, and may unsubscribe itself or another one while it runs.
class Subscribers {
public:
    int subscribe(std::function<void()> handler)
    {
        std::lock_guard lock(mutex_);
        const int id = next_++;
        handlers_.insert(id, std::move(handler));
        return id;
    }

    void unsubscribe(int id)
    {
        std::lock_guard lock(mutex_);
        handlers_.remove(id);
    }

    // Calls every handler on this thread, holding the lock so that `unsubscribe` waits for them.
    void notify()
    {
        std::lock_guard lock(mutex_);
        const QHash<int, std::function<void()>> handlers = handlers_;
        for (auto it = handlers.constBegin(); it != handlers.constEnd(); ++it) {
            if (handlers_.contains(it.key())) {
                it.value()();
            }
        }
    }

private:
    std::recursive_mutex mutex_;
    QHash<int, std::function<void()>> handlers_;
    int next_ = 1;
};

} // namespace ostrel
