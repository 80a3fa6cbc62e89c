#pragma once

#include "system/Clock.h"

namespace ostrel {

// The real clock: the system's monotonic time, and sleeps on the event loop's timers.
class SteadyClock final : public Clock {
public:
    TimePoint now() override;
    QCoro::Task<void> sleep(Duration duration) override;
};

} // namespace ostrel
