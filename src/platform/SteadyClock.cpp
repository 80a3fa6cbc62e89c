#include "platform/SteadyClock.h"

#include <QCoro/QCoroTimer>

namespace ostrel {

Clock::TimePoint SteadyClock::now()
{
    return std::chrono::steady_clock::now();
}

QCoro::Task<void> SteadyClock::sleep(Duration duration)
{
    if (duration <= Duration::zero()) {
        co_return;
    }
    // Rounded up, so that a sleep never ends before its time.
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(duration);
    co_await QCoro::sleepFor(milliseconds);
}

} // namespace ostrel
