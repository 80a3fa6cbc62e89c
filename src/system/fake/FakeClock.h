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
    TimePoint now() override;
    QCoro::Task<void> sleep(Duration duration) override;

    void advance(Duration duration);
    // How many sleeps are waiting for time to move.
    int pendingSleeps();

private:
    struct Sleeper {
        TimePoint wake;
        QFutureInterface<void> promise;
    };

    std::mutex mutex_;
    // Far from the clock's epoch, so that a deadline computed backwards stays positive.
    TimePoint now_ = TimePoint(std::chrono::hours(1000));
    QList<Sleeper> sleepers_;
};

} // namespace ostrel
