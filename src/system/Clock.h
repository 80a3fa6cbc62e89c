#pragma once

#include <QCoro/QCoroTask>

#include <chrono>

namespace ostrel {

// Monotonic time and waiting on it. Deadlines and waits of the services go through one clock
// so that tests can drive time instead of sleeping.
//
// A backend must give a clock that never goes back, readable from any thread. `sleep` is
// awaited on the main thread and must resume there once at least `duration` has passed.
class Clock {
public:
    using Duration = std::chrono::nanoseconds;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint now() = 0;
    virtual QCoro::Task<void> sleep(Duration duration) = 0;
};

// Seconds as a clock duration, for the services' timing constants.
constexpr Clock::Duration seconds(double value)
{
    return std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(value));
}

} // namespace ostrel
