#include "CanvasHarness.h"
#include "ExpectNear.h"
#include "Rendering.h"

#include "ui/illustrations/HairlinePalette.h"
#include "ui/illustrations/HairlineRiffleCanvas.h"
#include "ui/illustrations/RiffleGeometry.h"
#include "ui/illustrations/RiffleSimulation.h"

#include <gtest/gtest.h>

#include <QPainterPathStroker>

#include <cmath>

namespace ostrel {
namespace {

void expectNear(QPointF actual, QPointF expected, double tolerance = 0.001)
{
    test::expectNear(actual, expected, tolerance);
}

const RiffleGeometry &windows()
{
    return RiffleGeometry::scene();
}

TEST(RiffleGeometryTest, TrayAndOffset)
{
    for (const RiffleGeometry *g : {&RiffleGeometry::scene(), &RiffleGeometry::cards()}) {
        expectNear(g->offset, {204.00929544932774, 153.0622774678694}, 1e-9);
        EXPECT_EQ(g->far.size(), 3);
        EXPECT_EQ(g->near.size(), 6);
        EXPECT_EQ(g->outline.size(), 36);
    }
    const QRectF tray = windows().far[0].path.boundingRect();
    EXPECT_NEAR(tray.left(), 87.757, 0.001);
    EXPECT_NEAR(tray.right(), 312.243, 0.001);
    EXPECT_NEAR(tray.top(), 118.998, 0.001);
    EXPECT_NEAR(tray.bottom(), 259.300, 0.001);
    EXPECT_TRUE(windows().far[0].filled);
    // The front wall only hides; the three front runs have 15 points, left to right.
    EXPECT_EQ(windows().near[0].weight, -1);
    for (int i : {1, 2}) {
        const QPainterPath &run = windows().near[i].path;
        EXPECT_EQ(run.elementCount(), 15);
        EXPECT_LT(run.elementAt(0).x, run.elementAt(14).x);
    }
    EXPECT_EQ(windows().near[3].path.elementCount(), 17);
}

TEST(RiffleGeometryTest, ItemsAtRestAndLifted)
{
    const auto face = [](int index, double angle, double lift) {
        return windows().window(index, angle, lift).face.path;
    };
    // The face outline's first sample is the plane point (84, 57) of the 4-unit corner.
    const double s = std::sin(-12 * M_PI / 180), c = std::cos(-12 * M_PI / 180);
    const auto plane = [&](int i, double across, double up) {
        return windows().project(across, 13 * i + up * s, up * c);
    };
    expectNear(plane(0, 0, 0), {204.009, 153.062});
    expectNear(plane(0, 84, 0), {300.232, 201.174});
    expectNear(plane(0, 0, 61), {218.537, 62.088});
    expectNear(plane(0, 84, 61), {314.760, 110.199});
    expectNear(plane(3, 0, 0) - plane(0, 0, 0), 3 * QPointF(-14.892, 7.446));
    expectNear(face(0, -12, 0).elementAt(0), plane(0, 84, 57), 1e-9);

    const QPointF rest = face(2, 0, 0).elementAt(0);
    const QPointF raised = face(2, 0, 10).elementAt(0);
    EXPECT_NEAR(raised.x(), rest.x(), 1e-9);
    EXPECT_NEAR(rest.y() - raised.y(), 10 * 0.8660254037844386 * 1.62, 1e-9);
    // Upright, the back lies 1.4 behind the face along the depth only.
    const QPointF back = windows().window(2, 0, 0).back.path.elementAt(0);
    expectNear(back - rest, windows().project(0, -1.4, 0) - windows().project(0, 0, 0), 1e-9);
}

TEST(RiffleGeometryTest, CardsAndWindowsDiffer)
{
    const auto &cards = RiffleGeometry::cards();
    // Tab columns step across three positions: item 7 at 6, item 6 at 31, item 5 at 56, item 0
    // at 31.
    for (const auto &[item, tab] : {std::pair{7, 6.0}, {6, 31.0}, {5, 56.0}, {4, 6.0}, {0, 31.0}}) {
        const auto window = cards.window(item, 0, 0);
        ASSERT_EQ(window.punches.size(), 8);
        EXPECT_TRUE(window.controls.path.isEmpty());
        const double s = std::sin(0.0), c = 1;
        expectNear(window.punches[0], cards.project(tab + 11 - 5.4, 13 * item + 58.9 * s, 58.9 * c),
                   1e-9);
        // The tab's top edge (t = 61) runs through the middle of its column only.
        QPainterPathStroker stroker;
        stroker.setWidth(0.1);
        const QPainterPath outline = stroker.createStroke(window.face.path);
        for (double column : {6.0, 31.0, 56.0}) {
            EXPECT_EQ(outline.contains(cards.project(column + 11, 13 * item, 61)), column == tab)
                << item << " " << column;
        }
    }
    const auto window = windows().window(3, -12, 0);
    EXPECT_TRUE(window.punches.isEmpty());
    EXPECT_EQ(window.controls.path.toSubpathPolygons().size(), 3);
    EXPECT_EQ(window.panes.path.toSubpathPolygons().size(), 2);
    EXPECT_EQ(cards.window(3, -12, 0).panes.path.elementCount(), 8);
}

TEST(RiffleGeometryTest, HitAlongTheRowOfRestingTops)
{
    const double s = -0.20791169081775931, c = 0.9781476007338057;
    for (const RiffleGeometry *g : {&RiffleGeometry::scene(), &RiffleGeometry::cards()}) {
        const double height = g->style == HairlineRiffleStyle::windows ? 61 : 54;
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(g->hit(g->project(42, 13 * i + height * s, height * c)), i);
        }
        EXPECT_EQ(g->hit({390, 20}), -1);
        EXPECT_EQ(g->hit({std::nan(""), 20}), -1);
        const QPointF anchor = g->project(42, height * s, height * c);
        const QPointF step = g->project(0, 13, 0) - g->project(0, 0, 0);
        const QPointF across = g->project(1, 0, 0) - g->project(0, 0, 0);
        for (const auto &[along, item] :
             {std::pair{-0.5, 0}, {-0.51, -1}, {9.0, 7}, {9.01, -1}, {6.5000001, 7}, {6.49, 6}}) {
            EXPECT_EQ(g->hit(anchor + step * along), item) << along;
        }
        EXPECT_EQ(g->hit(anchor + step * 2 + across * 47.9), 2);
        EXPECT_EQ(g->hit(anchor + step * 2 + across * 48.1), -1);
    }
    expectNear(windows().project(42, 61 * s, 61 * c), {266.6489388833513, 86.1435128458087}, 1e-9);
    expectNear(RiffleGeometry::cards().project(42, 54 * s, 54 * c),
               {264.981780091636, 96.58321384951671}, 1e-9);
    EXPECT_EQ(windows().hit({200, 160}), 7);
    EXPECT_EQ(RiffleGeometry::cards().hit({200, 160}), 6);
}

TEST(RiffleSimulationTest, CascadeFromThePickedItem)
{
    RiffleSimulation sim(HairlineRiffleStyle::windows);
    EXPECT_EQ(sim.readout(), QStringLiteral("rest"));
    EXPECT_FALSE(sim.isMoving());
    sim.isHovering = true; // no tour
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(sim.angles[i], (RiffleTween{-12, -12, 0}));
    }
    sim.select(5, 0.5);
    EXPECT_EQ(sim.angles[5], (RiffleTween{-12, 0, 0}));
    EXPECT_EQ(sim.lifts[5], (RiffleTween{0, 16, 0}));
    EXPECT_NEAR(sim.angles[4].start, 0.04, 1e-12);
    EXPECT_NEAR(sim.angles[6].start, 0.04, 1e-12);
    EXPECT_NEAR(sim.angles[0].start, 0.2, 1e-12);
    EXPECT_NEAR(sim.angles[7].start, 0.08, 1e-12);
    EXPECT_EQ(sim.angles[4].target, -24);
    EXPECT_EQ(sim.angles[6].target, 20);
    EXPECT_EQ(sim.lifts[4], (RiffleTween{0, 0, 0})); // unchanged lift keeps its tween
    EXPECT_EQ(sim.readout(), QStringLiteral("window 03"));

    // Waiting for its delayed start counts as moving.
    sim.tick(0.01, 0.5);
    EXPECT_TRUE(sim.isMoving());
    const auto angles = sim.angles;
    sim.select(5, 0.5); // the same pick changes nothing, even mid-animation
    EXPECT_EQ(sim.angles, angles);

    // A second pick retargets only the tweens whose target changes, from their current value.
    sim.tick(0.1, 0.5);
    const double angle3 = sim.angles[3].value(sim.time);
    sim.select(4, 0.5);
    EXPECT_EQ(sim.angles[3], angles[3]); // still leaning back behind the pick
    EXPECT_EQ(sim.angles[4].from, sim.angles[4].from);
    EXPECT_EQ(sim.angles[5].target, 20);
    EXPECT_NE(angle3, 0);

    RiffleSimulation fromThree(HairlineRiffleStyle::cards);
    fromThree.select(3, 1.0);
    fromThree.select(-1, 1.0);
    EXPECT_NEAR(fromThree.angles[2].start, 0.06, 1e-12);
    EXPECT_NEAR(fromThree.angles[4].start, 0.06, 1e-12);
    EXPECT_EQ(fromThree.angles[3].start, 0);
    EXPECT_EQ(fromThree.readout(), QStringLiteral("rest"));
    fromThree.settle();
    EXPECT_FALSE(fromThree.isMoving());
    EXPECT_EQ(fromThree.angles[3].value(fromThree.time), -12);
}

TEST(RiffleSimulationTest, StaggerByIntensityAndItsBounds)
{
    for (const auto &[intensity, step] : {std::pair{0.0, 0.03},
                                          {0.5, 0.04},
                                          {1.0, 0.06},
                                          {-1.0, 0.03},
                                          {-0.5, 0.03},
                                          {5.0, 0.06},
                                          {std::nan(""), 0.03}}) {
        EXPECT_NEAR(RiffleSimulation::step(intensity), step, 1e-12) << intensity;
        RiffleSimulation sim(HairlineRiffleStyle::windows);
        sim.isHovering = true;
        sim.select(5, intensity);
        EXPECT_GE(sim.angles[0].start, 0);
        sim.tick(1.0, intensity);
        EXPECT_FALSE(sim.isMoving()) << intensity; // every item lands
    }
}

TEST(RiffleSimulationTest, TourAndReadouts)
{
    for (const auto &[time, item] :
         {std::pair{0.0, -1}, {1.2, 5}, {3.3, 3}, {5.4, 0}, {7.5, -1}, {9.29, -1}}) {
        EXPECT_EQ(RiffleSimulation::tourItem(time), item) << time;
    }
    RiffleSimulation sim(HairlineRiffleStyle::windows);
    sim.tourTime = 9.28;
    sim.tick(0.05, 0.5);
    EXPECT_NEAR(sim.tourTime, 0.03, 1e-9);
    sim.select(7, 0.5);
    EXPECT_EQ(sim.readout(), QStringLiteral("window 01"));
    sim.select(0, 0.5);
    EXPECT_EQ(sim.readout(), QStringLiteral("window 08"));
    RiffleSimulation cards(HairlineRiffleStyle::cards);
    cards.select(5, 0.5);
    EXPECT_EQ(cards.readout(), QStringLiteral("03"));
}

using Harness = test::CanvasHarness<HairlineRiffleCanvas>;

TEST(HairlineRiffleCanvasTest, HoverAndTheLoop)
{
    Harness h;
    EXPECT_EQ(h.canvas->objectName(), QStringLiteral("hairline-riffle-canvas"));
    h.canvas->show();
    EXPECT_TRUE(h.canvas->isLoopRunning());
    const auto &sim = h.canvas->simulation();

    // While hovering the tour halts; the loop runs until the pick has landed.
    h.canvas->hoverAt({390, 20});
    EXPECT_TRUE(sim.isHovering);
    EXPECT_FALSE(h.canvas->isLoopRunning()); // nothing moves: the loop ends before a frame
    h.canvas->hoverAt({200, 160});
    EXPECT_EQ(sim.selected, 7);
    EXPECT_TRUE(h.canvas->isLoopRunning());
    const int frames = h.runOut();
    EXPECT_GE(frames, 21);
    EXPECT_LE(frames, 45);
    EXPECT_FALSE(sim.isMoving());
    const double tourTime = sim.tourTime;
    EXPECT_EQ(tourTime, 0);

    // After the pointer leaves, 1.2 s pass at rest before item 5 is picked.
    h.canvas->hoverEnded();
    EXPECT_EQ(sim.selected, -1);
    h.clock->frames(36);
    EXPECT_EQ(sim.selected, -1);
    h.clock->frames(1);
    EXPECT_EQ(sim.selected, 5);
}

TEST(HairlineRiffleCanvasTest, ReducedMotionAndZeroSize)
{
    Harness h(true);
    h.canvas->show();
    EXPECT_FALSE(h.canvas->isLoopRunning());
    h.canvas->hoverAt({200, 160});
    const auto &sim = h.canvas->simulation();
    EXPECT_EQ(sim.angles[7].from, 0);
    EXPECT_EQ(sim.lifts[7].from, 16);
    EXPECT_FALSE(h.canvas->isLoopRunning());

    Harness empty(false, {0, 240});
    empty.canvas->show();
    empty.canvas->hoverAt({0, 10});
    EXPECT_FALSE(empty.canvas->simulation().isHovering);
}

TEST(HairlineRiffleCanvasTest, CardsIdentityAndEmphasis)
{
    test::ensureApplication();
    HairlineRiffleCanvas cardsCanvas(HairlineRiffleStyle::cards);
    EXPECT_EQ(cardsCanvas.objectName(), QStringLiteral("hairline-riffle-cards-canvas"));
    EXPECT_EQ(cardsCanvas.accessibleName(),
              QStringLiteral("Riffle illustration: eight tabbed filing cards in a rounded tray"));

    const auto palette = HairlinePalette::forAppearance(false);
    RiffleSimulation sim(HairlineRiffleStyle::cards);
    const auto draw = [&] {
        return test::render(
            [&](QPainter &p, QSizeF size) { sim.draw(p, size, false, std::nullopt); }, {800, 640},
            2);
    };
    // Card 7 (readout 01) has nothing in front of it: its face is ink at rest, its own punch
    // (position 0) dim and the others faint.
    QImage image = draw();
    const auto card = sim.shapes[7];
    const QPointF corner = QPointF(card.face.path.elementAt(0)) * 2;
    EXPECT_LT(test::colourDistance(test::nearest(image, corner, palette.ink), palette.ink), 60);
    const auto colourAt = [&](QPointF p) { return image.pixelColor((p * 4).toPoint()); };
    EXPECT_LT(test::colourDistance(colourAt(card.punches[0]), palette.dim), 40);
    EXPECT_LT(test::colourDistance(colourAt(card.punches[1]), palette.faint), 40);
    sim.select(7, 0.5);
    sim.settle();
    image = draw();
    EXPECT_LT(test::colourDistance(colourAt(sim.shapes[7].punches[0]), palette.ink), 40);
}

} // namespace
} // namespace ostrel
