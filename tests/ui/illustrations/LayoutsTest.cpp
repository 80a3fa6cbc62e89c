#include "CanvasHarness.h"
#include "ExpectNear.h"
#include "Rendering.h"

#include "ui/illustrations/HairlineLayoutsCanvas.h"
#include "ui/illustrations/HairlinePalette.h"
#include "ui/illustrations/LayoutsGeometry.h"
#include "ui/illustrations/LayoutsSimulation.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::expectNear;

namespace G = LayoutsGeometry;

TEST(LayoutsGeometryTest, ConstantsAndCentring)
{
    const auto &c = G::constants();
    EXPECT_EQ(c.ring.size(), 44);
    EXPECT_EQ(c.inner.size(), 44);
    EXPECT_EQ(c.front.size(), 22);
    for (const auto &dot : c.controls) {
        EXPECT_EQ(dot.size(), 36);
    }
    EXPECT_NEAR(c.viewV, 0.3194148612135052, 1e-12);
    expectNear(c.offset, {199.25132445419524, 171.71611721709573}, 1e-9);
    EXPECT_EQ(c.grid.elementCount(), 8);
    expectNear(c.grid.elementAt(0), c.offset + QPointF(33.58757210636101, 6.883466926423916), 1e-9);
    expectNear(c.grid.elementAt(7), c.offset + QPointF(33.58757210636101, 97.03958152770873), 1e-9);
    for (const auto &resting : c.resting) {
        EXPECT_EQ(resting.elementCount(), 47); // 46 vertices and the closing line
    }
    // The crease has 21 segments.
    EXPECT_EQ(G::pane(1, {}).crease.elementCount(), 22);
}

TEST(LayoutsGeometryTest, ReferenceProjections)
{
    expectNear(G::project(1, {0, 0}, -60, 24, 8), {134.4186, 205.6914});
    expectNear(G::project(0, {1.3, 0}, 60, -42, 0), {207.7662, 79.7578});
    expectNear(G::project(0, {0, 0}, 60, -42, 0), {231.6218, 87.3779});
    expectNear(G::project(2, {1.3, 1}, 0, 0, 8), {251.9109, 193.2485});
    for (double amount : {0.0, 0.5, 1.3}) {
        expectNear(G::project(1, {amount, 1}, 0, 0, 0), {201.3309, 167.3040});
        expectNear(G::project(1, {amount, 0}, 0, 0, 0), G::constants().offset, 1e-9);
        // The middle layer is never fanned; at focus 1 the outer ones are not either.
        EXPECT_EQ(G::pane(1, {amount, 0.3}).silhouette, G::pane(1, {0, 0.3}).silhouette);
    }
    const QPointF back = G::project(0, {}, 0, 0, 0);
    const QPointF middle = G::project(1, {}, 0, 0, 0);
    const QPointF front = G::project(2, {}, 0, 0, 0);
    EXPECT_LT(back.x(), middle.x());
    EXPECT_LT(back.y(), middle.y());
    expectNear(front - middle, {29.66, 25.98}, 0.01);
    expectNear(middle - back, {29.66, 25.98}, 0.01);
    // At focus 1 the outer layers lose their fan: a corner moves only with the spread.
    const QPointF spread =
        G::project(0, {1.3, 1}, 60, -42, 0) - G::project(0, {1.3, 1}, -60, -42, 0);
    const QPointF rest = G::project(0, {0, 1}, 60, -42, 0) - G::project(0, {0, 1}, -60, -42, 0);
    expectNear(spread, rest, 1e-9);
}

TEST(LayoutsGeometryTest, GuidesBridgeTheLayersAndDropToTheFloor)
{
    const QList<LayoutsPose> rest(3);
    const QPainterPath guides = G::guides(rest);
    ASSERT_EQ(guides.elementCount(), 12);
    expectNear(guides.elementAt(8), {176.54, 254.76}, 0.01);
    expectNear(guides.elementAt(9), {176.54, 268.23}, 0.01);
    expectNear(guides.elementAt(10), {302.11, 237.94}, 0.01);
    expectNear(guides.elementAt(11), {302.11, 251.41}, 0.01);
    QList<LayoutsPose> four = rest;
    four.push_back({1.3, 1});
    EXPECT_EQ(G::guides(four), guides);
}

TEST(LayoutsSimulationTest, AppearanceTargetsAndStagger)
{
    struct Case {
        double intensity;
        double lifted;
        double parted;
    };
    for (const Case &c : {Case{0.5, 1.0, 0.65}, Case{0, 0.7, 0.455}, Case{2, 1.3, 0.845},
                          Case{-1, 0.7, 0.455}, Case{std::nan(""), 0.7, 0.455}}) {
        LayoutsSimulation sim;
        sim.update(c.intensity);
        EXPECT_NEAR(sim.amounts[2].target, c.lifted, 1e-12);
        EXPECT_NEAR(sim.amounts[1].target, c.parted, 1e-12);
        EXPECT_NEAR(sim.amounts[0].target, c.parted, 1e-12);
        EXPECT_EQ(sim.focuses[2].target, 1);
        EXPECT_EQ(sim.focuses[0].target, 0);
        EXPECT_EQ(sim.amounts[2].start, 0);
        EXPECT_NEAR(sim.amounts[1].start, 0.04, 1e-12);
        EXPECT_NEAR(sim.amounts[0].start, 0.08, 1e-12);
        EXPECT_EQ(sim.readout(), QStringLiteral("pane 1"));
    }
}

TEST(LayoutsSimulationTest, RetargetingKeepsRunningTweens)
{
    LayoutsSimulation sim;
    sim.update(0.5);
    sim.advance(0.3, 0.5);
    const auto focus = sim.focuses[2];
    sim.update(1.0); // a new intensity moves only the amounts
    EXPECT_EQ(sim.focuses[2], focus);
    EXPECT_NEAR(sim.amounts[2].target, 1.3, 1e-12);
    EXPECT_EQ(sim.amounts[2].start, sim.time);

    // The pointer onto layer 1: changed targets restart from where they are, layer 1 first;
    // layer 0 keeps its parted amount and its running tween.
    const QPointF middle = G::project(1, {}, -50, -35, 8); // clear of the nearer layer
    const double amount2 = sim.amounts[2].value(sim.time);
    const auto amount0 = sim.amounts[0];
    sim.hover(middle, 1.0);
    EXPECT_EQ(sim.selected, 1);
    EXPECT_EQ(sim.amounts[2].from, amount2);
    EXPECT_EQ(sim.focuses[1].start, sim.time);
    EXPECT_EQ(sim.amounts[1].start, sim.time);
    EXPECT_NEAR(sim.focuses[2].start, sim.time + 0.04, 1e-12);
    EXPECT_EQ(sim.amounts[0], amount0);
    EXPECT_EQ(sim.readout(), QStringLiteral("pane 2"));

    // Outside every layer the stack closes, spreading out from the layer that was lifted.
    sim.hover({5, 5}, 1.0);
    EXPECT_EQ(sim.selected, -1);
    EXPECT_EQ(sim.readout(), QStringLiteral("rest"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sim.amounts[i].target, 0);
        EXPECT_EQ(sim.focuses[i].target, 0);
    }
    EXPECT_NEAR(sim.amounts[2].start, sim.time + 0.04, 1e-12);
    sim.settle();
    EXPECT_FALSE(sim.isMoving());
    const auto shapes = sim.shapes;
    sim.redraw(); // an unchanged pose rebuilds nothing
    EXPECT_EQ(sim.shapes[0].silhouette, shapes[0].silhouette);
    EXPECT_EQ(sim.drawn[0], (LayoutsPose{0, 0}));
}

TEST(LayoutsSimulationTest, TourPhasesAndFit)
{
    for (const auto &[time, layer] :
         {std::pair{0.0, 2}, {2.39, 2}, {2.4, 1}, {4.79, 1}, {4.8, 0}, {8.3, 0}}) {
        EXPECT_EQ(LayoutsSimulation::tourLayer(time), layer) << time;
    }
    LayoutsSimulation sim;
    sim.tourTime = 8.35;
    sim.selected = 0;
    sim.advance(0.05, 0.5);
    EXPECT_NEAR(sim.tourTime, 0, 1e-9);
    EXPECT_EQ(sim.selected, 2);

    const auto fit = LayoutsSimulation::fit({300, 240}, QRectF(50, 60, 300, 240));
    expectNear(fit.toDesign({150, 120}), {200, 180}, 1e-12);
    expectNear(fit.toDesign({0, 0}), {350, 60}, 1e-12); // the view's left shows design x 350
    EXPECT_FALSE(LayoutsSimulation::fit({300, 240}, QRectF(50, 60, 0, 240)).valid());
}

using Harness = test::CanvasHarness<HairlineLayoutsCanvas>;

TEST(HairlineLayoutsCanvasTest, HoverLeavingAndTheTour)
{
    Harness h;
    EXPECT_EQ(h.canvas->objectName(), QStringLiteral("hairline-layouts-canvas"));
    h.canvas->show();
    const auto &sim = h.canvas->simulation();
    EXPECT_NEAR(sim.amounts[0].start, 0.08, 1e-12);
    EXPECT_TRUE(h.canvas->isLoopRunning());
    h.clock->frames(30);

    // The view is mirrored: layer 1's centre lies at 400 − x on screen.
    const QPointF centre = G::project(1, {}, -50, -35, 8);
    h.canvas->hoverAt({400 - centre.x(), centre.y()});
    EXPECT_EQ(sim.selected, 1);
    h.runOut();
    EXPECT_FALSE(h.canvas->isLoopRunning());
    EXPECT_FALSE(sim.isMoving());

    h.canvas->hoverEnded();
    EXPECT_EQ(sim.selected, 2);
    EXPECT_EQ(sim.tourTime, 0);
    EXPECT_TRUE(h.canvas->isLoopRunning());
    h.clock->frames(72); // 2.376 s: still on layer 2
    EXPECT_EQ(sim.selected, 2);
    h.clock->frames(1);
    EXPECT_EQ(sim.selected, 1);

    h.canvas->setPaused(true);
    h.canvas->hoverAt({200, 160});
    EXPECT_FALSE(sim.isHovering);
    EXPECT_EQ(h.canvas->accessibilityValue(), QStringLiteral("Paused"));
    EXPECT_EQ(h.canvas->readout(), QStringLiteral("pane 2"));
}

TEST(HairlineLayoutsCanvasTest, TheTourTakesAnIntensityChangedWhileItRuns)
{
    // The same tour twice: once at 1 from the start, once at 0 turned to 1 a second in. Every
    // lift the tour picks after that goes as high in both.
    Harness steady;
    steady.canvas->setIntensity(1.0);
    steady.canvas->show();
    Harness turned;
    turned.canvas->setIntensity(0.0);
    turned.canvas->show();
    ASSERT_EQ(steady.clock->frames(30), 30);
    ASSERT_EQ(turned.clock->frames(30), 30);
    turned.canvas->setIntensity(1.0);
    ASSERT_TRUE(turned.canvas->isLoopRunning());
    int picks = 0;
    int last = turned.canvas->simulation().selected;
    for (int frame = 0; frame < 260; ++frame) {
        ASSERT_EQ(steady.clock->frames(1), 1);
        ASSERT_EQ(turned.clock->frames(1), 1);
        const LayoutsSimulation &a = steady.canvas->simulation();
        const LayoutsSimulation &b = turned.canvas->simulation();
        if (b.selected != last) {
            last = b.selected;
            ++picks;
            for (int layer = 0; layer < 3; ++layer) {
                EXPECT_EQ(b.amounts[layer].target, a.amounts[layer].target)
                    << frame << " " << layer;
                EXPECT_EQ(b.focuses[layer].target, a.focuses[layer].target)
                    << frame << " " << layer;
            }
        }
    }
    EXPECT_GE(picks, 2);
}

TEST(HairlineLayoutsCanvasTest, ReducedMotionShowsEndPosesAtOnce)
{
    Harness h(true);
    h.canvas->show();
    const auto &sim = h.canvas->simulation();
    EXPECT_FALSE(h.canvas->isLoopRunning());
    EXPECT_EQ(sim.drawn[2], (LayoutsPose{1.0, 1}));
    h.canvas->hoverAt({5, 5});
    EXPECT_EQ(sim.drawn[2], (LayoutsPose{0, 0}));
    EXPECT_EQ(sim.tourTime, 0);
    EXPECT_FALSE(h.canvas->isLoopRunning());
}

TEST(HairlineLayoutsCanvasTest, EmptyViewBoxDrawsNothingAndIgnoresThePointer)
{
    Harness h;
    h.canvas->setViewBox(QRectF(50, 60, 0, 240));
    h.canvas->show();
    h.canvas->hoverAt({100, 100});
    EXPECT_FALSE(h.canvas->simulation().isHovering);
    const QImage image = test::render(
        [&](QPainter &p, QSizeF size) { h.canvas->paintDrawing(p, size); }, {300, 240});
    EXPECT_EQ(test::paintedPixels(image, Qt::red), 0);
}

TEST(HairlineLayoutsCanvasTest, DrawnMirroredInsideItsViewBox)
{
    LayoutsSimulation sim;
    const auto palette = HairlinePalette::forAppearance(false);
    const QImage image = test::render(
        [&](QPainter &p, QSizeF size) {
            sim.draw(p, size, false, std::nullopt, QRectF(50, 60, 300, 240));
        },
        {300, 240}, 2);
    // The nearest layer's left corner in the design lies on the right of the view.
    const QPointF nearLeft = G::project(2, {}, -60, 42, 8);
    const QPointF seen(400 - nearLeft.x() - 50, nearLeft.y() - 60);
    ASSERT_GT(seen.x(), 150);
    EXPECT_LT(test::colourDistance(test::nearest(image, seen, palette.ink, 3), palette.ink), 60);
    const QPointF unmirrored(nearLeft.x() - 50, nearLeft.y() - 60);
    EXPECT_GT(test::colourDistance(test::nearest(image, unmirrored, palette.ink, 3), palette.ink),
              150);
}

} // namespace
} // namespace ostrel
