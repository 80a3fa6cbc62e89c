#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <utility>

namespace ostrel {

// A wait on a timer or a future that a stop ends at once. A service that goes away asks its
// coroutines to stop, and they run to their end there and then, instead of staying suspended on
// a timer or a future whose news the event loop may never deliver again: at the program's end
// their frames would be left behind. `co_await` yields true when the wait ran its course and
// false when it was stopped. The stop is asked on the thread that waits (the main thread), and
// the coroutine resumes inside that request.
class StoppableWait {
public:
    // Until `duration` has passed on the waiting thread's event loop.
    static StoppableWait elapsed(std::chrono::milliseconds duration, std::stop_token stop)
    {
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        timer->setInterval(duration);
        QTimer *raw = timer.get();
        return StoppableWait(std::move(timer), std::move(stop), false, [raw](StoppableWait *wait) {
            wait->done_ = QObject::connect(raw, &QTimer::timeout, [wait] { wait->resume(true); });
            raw->start();
        });
    }

    // Until `future` has finished.
    template <class T>
    static StoppableWait finished(const QFuture<T> &future, std::stop_token stop)
    {
        auto watcher = std::make_unique<QFutureWatcher<T>>();
        QFutureWatcher<T> *raw = watcher.get();
        return StoppableWait(std::move(watcher), std::move(stop), future.isFinished(),
                             [raw, future](StoppableWait *wait) {
                                 wait->done_ = QObject::connect(raw, &QFutureWatcherBase::finished,
                                                                [wait] { wait->resume(true); });
                                 raw->setFuture(future);
                             });
    }

    // Movable only until it waits: from then on the timer, the future and the stop know it by its
    // address.
    StoppableWait(StoppableWait &&other) noexcept
        : source_(std::move(other.source_))
        , stop_(std::move(other.stop_))
        , start_(std::move(other.start_))
        , ready_(other.ready_)
        , ranItsCourse_(other.ranItsCourse_)
    {
    }
    StoppableWait(const StoppableWait &) = delete;
    StoppableWait &operator=(const StoppableWait &) = delete;
    StoppableWait &operator=(StoppableWait &&) = delete;

    bool await_ready()
    {
        if (stop_.stop_requested()) {
            return true;
        }
        ranItsCourse_ = ready_;
        return ready_;
    }

    void await_suspend(std::coroutine_handle<> waiter)
    {
        waiter_ = waiter;
        start_(this);
        onStop_.emplace(stop_, Stopper{this});
    }

    bool await_resume() const { return ranItsCourse_; }

private:
    struct Stopper {
        StoppableWait *wait;
        void operator()() const { wait->resume(false); }
    };

    StoppableWait(std::unique_ptr<QObject> source, std::stop_token stop, bool ready,
                  std::function<void(StoppableWait *)> start)
        : source_(std::move(source))
        , stop_(std::move(stop))
        , start_(std::move(start))
        , ready_(ready)
    {
    }

    void resume(bool ranItsCourse)
    {
        if (!waiter_) {
            return;
        }
        ranItsCourse_ = ranItsCourse;
        QObject::disconnect(done_);
        if (ranItsCourse) {
            // Called from the source's own signal: it goes once that signal has returned.
            source_.release()->deleteLater();
        }
        // The coroutine may end here, and this wait with its frame.
        std::exchange(waiter_, nullptr).resume();
    }

    std::unique_ptr<QObject> source_;
    std::stop_token stop_;
    std::function<void(StoppableWait *)> start_;
    QMetaObject::Connection done_;
    std::optional<std::stop_callback<Stopper>> onStop_;
    std::coroutine_handle<> waiter_;
    bool ready_ = false;
    bool ranItsCourse_ = false;
};

} // namespace ostrel
