#include "system/fake/FakeClock.h"

#include "model/StoppableWait.h"

#include <algorithm>

namespace ostrel {

Clock::TimePoint FakeClock::now()
{
    std::lock_guard lock(mutex_);
    return now_;
}

QCoro::Task<void> FakeClock::sleep(Duration duration, std::stop_token stop)
{
    if (duration <= Duration::zero() || stop.stop_requested()) {
        co_return;
    }
    QFutureInterface<void> promise;
    promise.reportStarted();
    quint64 number = 0;
    {
        std::lock_guard lock(mutex_);
        number = ++sleepersSoFar_;
        sleepers_.append({now_ + duration, promise, number});
    }
    const bool elapsed = co_await StoppableWait::finished(promise.future(), std::move(stop));
    if (!elapsed) {
        std::lock_guard lock(mutex_);
        sleepers_.removeIf([number](const Sleeper &s) { return s.number == number; });
    }
}

void FakeClock::advance(Duration duration)
{
    QList<Sleeper> due;
    {
        std::lock_guard lock(mutex_);
        now_ += std::max(duration, Duration::zero());
        auto firstLater =
            std::stable_partition(sleepers_.begin(), sleepers_.end(),
                                  [this](const Sleeper &s) { return s.wake <= now_; });
        due = QList<Sleeper>(sleepers_.begin(), firstLater);
        sleepers_.erase(sleepers_.begin(), firstLater);
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Sleeper &a, const Sleeper &b) { return a.wake < b.wake; });
    for (Sleeper &sleeper : due) {
        sleeper.promise.reportFinished();
    }
}

int FakeClock::pendingSleeps()
{
    std::lock_guard lock(mutex_);
    return int(sleepers_.size());
}

} // namespace ostrel
