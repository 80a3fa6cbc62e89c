#pragma once

#include "system/TrustEvents.h"

namespace ostrel {

// Trust changes that tests announce after they changed the fake desktop's trust.
class FakeTrustEvents : public TrustEvents {
    Q_OBJECT

public:
    using TrustEvents::TrustEvents;

    void changeTrust() { emit trustChanged(); }
};

} // namespace ostrel
