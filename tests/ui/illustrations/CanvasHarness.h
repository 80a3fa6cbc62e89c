#pragma once

#include "ManualFrameClock.h"
#include "TestApplication.h"

#include "system/fake/FakeReduceMotion.h"
#include "ui/illustrations/HairlineCanvas.h"

#include <memory>

namespace ostrel::test {

// A canvas on a clock the test steps, with a reduce-motion switch the test sets.
template <class Canvas>
struct CanvasHarness {
    explicit CanvasHarness(bool reduced = false, QSize size = {400, 320})
    {
        ensureApplication();
        reduce = std::make_unique<FakeReduceMotion>(reduced);
        canvas = std::make_unique<Canvas>();
        auto owned = std::make_unique<ManualFrameClock>();
        clock = owned.get();
        canvas->setFrameClock(std::move(owned));
        canvas->setReduceMotionSource(reduce.get());
        canvas->setScenePhase(HairlineScenePhase::Active);
        canvas->resize(size);
    }

    ~CanvasHarness()
    {
        canvas.reset();
        reduce.reset();
    }

    // Frames until the loop ends (at most `limit`); returns how many ran.
    int runOut(int limit = 1000) { return clock->frames(limit); }

    std::unique_ptr<FakeReduceMotion> reduce;
    std::unique_ptr<Canvas> canvas;
    ManualFrameClock *clock = nullptr;
};

} // namespace ostrel::test
