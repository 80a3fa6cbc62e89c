#pragma once

#include "system/DisplayEvents.h"

namespace ostrel {

// Display changes that tests announce after they changed the fake displays.
class FakeDisplayEvents : public DisplayEvents {
    Q_OBJECT

public:
    using DisplayEvents::DisplayEvents;

    void changeScreenParameters() { emit screenParametersChanged(); }
};

} // namespace ostrel
