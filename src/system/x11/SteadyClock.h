#pragma once

#include "model/StoppableWait.h"
#include "system/Clock.h"

namespace ostrel::x11 {

// Real time for the real desktop.
class SteadyClock : public Clock {
public:
    using Clock::sleep;

    TimePoint now() override { return std::chrono::steady_clock::now(); }
    QCoro::Task<void> sleep(Duration duration, std::stop_token stop) override
    {
        co_await StoppableWait::elapsed(
            std::chrono::duration_cast<std::chrono::milliseconds>(duration), std::move(stop));
    }
};

} // namespace ostrel::x11
