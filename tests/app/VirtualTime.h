#pragma once

#include "system/fake/FakeClock.h"

#include <QCoreApplication>

namespace ostrel::test {

// Moves a fake clock forward in small steps and lets the coroutines whose sleeps ended run
// before the next step, so that a waiting loop sees every intermediate moment it asked for.
inline void advance(FakeClock &clock, Clock::Duration span,
                    Clock::Duration step = std::chrono::milliseconds(10))
{
    for (Clock::Duration done{0}; done < span; done += step) {
        clock.advance(std::min(step, span - done));
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }
}

} // namespace ostrel::test
