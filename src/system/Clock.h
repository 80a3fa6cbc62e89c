#pragma once

#include <QCoro/QCoroTask>

#include <chrono>
#include <stop_token>

namespace ostrel {

// Monotonic time and waiting on it. Deadlines and waits of the services go through one clock
// so that tests can drive time instead of sleeping.
//
// A backend must give a clock that never goes back, readable from any thread. `sleep` is
// awaited on the main thread and must resume there once at least `duration` has passed, or at
// once, inside the request, when the main thread asks `stop` to stop: a service that goes away
// ends its sleeping tasks that way rather than leaving them to a timer that may never fire again.
class Clock {
public:
    using Duration = std::chrono::nanoseconds;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint now() = 0;
    virtual QCoro::Task<void> sleep(Duration duration, std::stop_token stop) = 0;
    QCoro::Task<void> sleep(Duration duration) { return sleep(duration, std::stop_token()); }
};

// Seconds as a clock duration, for the services' timing constants.
constexpr Clock::Duration seconds(double value)
{
    return std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(value));
}

} // namespace ostrel
