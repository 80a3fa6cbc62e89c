#pragma once

#include "system/Compositing.h"

namespace ostrel {

// A compositor that tests switch on and off.
class FakeCompositing final : public Compositing {
public:
    explicit FakeCompositing(bool active = true)
        : active_(active)
    {
    }
    void set(bool active) { active_ = active; }
    bool isActive() override { return active_; }

private:
    bool active_;
};

} // namespace ostrel
