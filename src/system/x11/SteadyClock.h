#pragma once

#include "system/Clock.h"

#include <QCoro/QCoroTimer>

namespace ostrel::x11 {

// Real time for the real desktop.
class SteadyClock : public Clock {
public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }
    QCoro::Task<void> sleep(Duration duration) override
    {
        co_await QCoro::sleepFor(std::chrono::duration_cast<std::chrono::milliseconds>(duration));
    }
};

} // namespace ostrel::x11
