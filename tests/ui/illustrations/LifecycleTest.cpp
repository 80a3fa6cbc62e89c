#include "CanvasHarness.h"

#include "ui/illustrations/HairlineDrawerCanvas.h"
#include "ui/illustrations/HairlineKeyboardCanvas.h"
#include "ui/illustrations/HairlineLayoutsCanvas.h"
#include "ui/illustrations/HairlineRiffleCanvas.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <functional>

namespace ostrel {
namespace {

// Whether the frame loop runs after each step of the view's life, the same for all four
// canvases when nobody hovers (the keyboard with its autoplay on).
template <class Canvas>
class CanvasLifecycle : public ::testing::Test {
};

using Canvases = ::testing::Types<HairlineDrawerCanvas, HairlineKeyboardCanvas,
                                  HairlineLayoutsCanvas, HairlineRiffleCanvas>;
TYPED_TEST_SUITE(CanvasLifecycle, Canvases);

TYPED_TEST(CanvasLifecycle, LoopRunsOnlyWhileActiveAndMotionIsAllowed)
{
    test::CanvasHarness<TypeParam> h;
    HairlineCanvas &canvas = *h.canvas;
    struct Step {
        const char *event;
        std::function<void()> apply;
        bool running;
    };
    const std::vector<Step> steps = {
        {"built", [] {}, false},
        {"appear", [&] { canvas.show(); }, true},
        {"frames", [&] { h.clock->frames(10); }, true},
        {"pause", [&] { canvas.setPaused(true); }, false},
        {"resume", [&] { canvas.setPaused(false); }, true},
        {"inactive scene", [&] { canvas.setScenePhase(HairlineScenePhase::Inactive); }, true},
        {"background", [&] { canvas.setScenePhase(HairlineScenePhase::Background); }, false},
        {"foreground", [&] { canvas.setScenePhase(HairlineScenePhase::Active); }, true},
        {"reduce motion",
         [&] {
             h.reduce->set(true);
             h.runOut();
         },
         false},
        {"motion allowed", [&] { h.reduce->set(false); }, true},
        {"disappear", [&] { canvas.hide(); }, false},
        {"appear again", [&] { canvas.show(); }, true},
    };
    for (const Step &step : steps) {
        step.apply();
        EXPECT_EQ(canvas.isLoopRunning(), step.running) << step.event;
        EXPECT_EQ(h.clock->pending(), step.running) << step.event;
    }
    // Under reduced motion from the start nothing ever loops.
    test::CanvasHarness<TypeParam> reduced(true);
    reduced.canvas->show();
    reduced.runOut();
    EXPECT_FALSE(reduced.canvas->isLoopRunning());
    EXPECT_EQ(reduced.runOut(), 0);
}

TYPED_TEST(CanvasLifecycle, ZeroSizeDrawsNothingAndIgnoresThePointer)
{
    test::CanvasHarness<TypeParam> h(false, {0, 0});
    h.canvas->show();
    const QString before = h.canvas->readout();
    h.canvas->hoverAt({0, 0});
    EXPECT_EQ(h.canvas->readout(), before);
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    QPainter painter(&image);
    h.canvas->paintDrawing(painter, QSizeF(0, 0));
    painter.end();
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::red));
}

} // namespace
} // namespace ostrel
