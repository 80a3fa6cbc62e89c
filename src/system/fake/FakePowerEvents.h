#pragma once

#include "system/PowerEvents.h"

namespace ostrel {

// Sleep and wake that tests trigger.
class FakePowerEvents : public PowerEvents {
    Q_OBJECT

public:
    using PowerEvents::PowerEvents;

    void sleep() { emit willSleep(); }
    void wake() { emit didWake(); }
    void sleepScreens() { emit screensDidSleep(); }
    void wakeScreens() { emit screensDidWake(); }
};

} // namespace ostrel
