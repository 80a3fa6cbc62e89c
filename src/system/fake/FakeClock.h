#pragma once

#include "system/Clock.h"

#include <QFutureInterface>
#include <QList>

#include <mutex>

namespace ostrel {

// A clock whose time moves only when told to: by a test, or by the fake desktop while it
// pretends an application takes time to answer. Sleeps resume once time has been advanced
// past their end, in the order of their ends.
class FakeClock final : public Clock {
public:
    using Clock::sleep;

    TimePoint now() override;
    // A stopped sleep leaves the clock's list at once.
    QCoro::Task<void> sleep(Duration duration, std::stop_token stop) override;

    void advance(Duration duration);
    // How many sleeps are waiting for time to move.
    int pendingSleeps();

private:
    struct Sleeper {
        TimePoint wake;
        QFutureInterface<void> promise;
        quint64 number = 0;
    };

    std::mutex mutex_;
    // Far from the clock's epoch, so that a deadline computed backwards stays positive.
    TimePoint now_ = TimePoint(std::chrono::hours(1000));
    QList<Sleeper> sleepers_;
    quint64 sleepersSoFar_ = 0;
};

} // namespace ostrel
