#pragma once

#include "system/ApplicationEvents.h"

namespace ostrel {

// Application activation and termination that tests announce.
class FakeApplicationEvents : public ApplicationEvents {
    Q_OBJECT

public:
    using ApplicationEvents::ApplicationEvents;

    void activate() { emit applicationDidBecomeActive(); }
    void terminateApplication() { emit applicationTerminated(); }
};

} // namespace ostrel
