#include "CanvasHarness.h"
#include "Rendering.h"

#include "ui/illustrations/DrawerGeometry.h"
#include "ui/illustrations/DrawerSimulation.h"
#include "ui/illustrations/HairlineDrawerCanvas.h"
#include "ui/illustrations/HairlinePalette.h"

#include <gtest/gtest.h>

#include <QAccessible>

#include <cmath>

namespace ostrel {
namespace {

const DrawerGeometry &cabinet()
{
    return DrawerGeometry::scene();
}

TEST(DrawerGeometryTest, CabinetMarksAndOffset)
{
    const auto &marks = cabinet().cabinet;
    ASSERT_EQ(marks.size(), 5);
    const bool filled[] = {true, false, true, false, false};
    const bool dim[] = {false, true, false, true, true};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(marks[i].filled, filled[i]) << i;
        EXPECT_EQ(marks[i].dim, dim[i]) << i;
        EXPECT_FALSE(marks[i].path.isEmpty()) << i;
    }
    EXPECT_NEAR(cabinet().offset.x(), 204.45477272147525, 1e-9);
    EXPECT_NEAR(cabinet().offset.y(), 204.60973312964092, 1e-9);
    const QPointF centre = cabinet().project(27, 30, 44.5);
    EXPECT_NEAR(centre.x(), 200, 1e-9);
    EXPECT_NEAR(centre.y(), 166, 1e-9);
    // The three drawer openings are separate closed outlines in one mark.
    EXPECT_EQ(marks[4].path.toSubpathPolygons().size(), 3);
}

TEST(DrawerGeometryTest, InteriorByOpening)
{
    struct Case {
        double opening;
        qsizetype interior;
        bool slabsEmpty;
    };
    for (const Case &c :
         {Case{0, 4, true}, Case{0.04, 4, true}, Case{-3, 4, true}, Case{0.05, 4, false},
          Case{5, 4, false}, Case{5.1, 6, false}, Case{15.4, 10, false}}) {
        const auto drawer = cabinet().drawer(1, c.opening);
        ASSERT_EQ(drawer.interior.size(), c.interior) << c.opening;
        const auto &first = drawer.interior.front();
        const auto &last = drawer.interior.back();
        EXPECT_EQ(first.path.isEmpty(), c.slabsEmpty) << c.opening;
        EXPECT_TRUE(first.dim && first.filled);
        EXPECT_TRUE(drawer.interior[1].dim && drawer.interior[1].filled);
        EXPECT_FALSE(last.dim || last.filled);
        EXPECT_TRUE(drawer.face.filled && !drawer.face.dim);
        EXPECT_TRUE(drawer.crease.dim && !drawer.crease.filled);
        EXPECT_TRUE(drawer.pull.filled);
        EXPECT_TRUE(drawer.pullCrease.dim);
    }
    // A closed front stands 2.4 proud of the body: its nearest corner projects from y = 62.4.
    const QRectF face = cabinet().drawer(0, 0).face.path.boundingRect();
    EXPECT_NEAR(face.left(), cabinet().project(3, 62.4, 8.8).x(), 0.01);
    // A card at opening 15.4 (card 0, 0.4 deep) has two window panes as separate outlines.
    const auto open = cabinet().drawer(0, 15.4);
    EXPECT_EQ(open.interior[3].path.toSubpathPolygons().size(), 2);
}

TEST(DrawerGeometryTest, HitAnswersADrawerForEveryPoint)
{
    const auto &g = cabinet();
    struct Case {
        QPointF point;
        double pull;
        int drawer;
    };
    // clang-format off
    const QList<Case> cases = {
        {g.project(27, 62.4, 21), 0, 0},   {g.project(27, 62.4, 47), 0, 1},
        {g.project(27, 62.4, 73), 0, 2},   {g.project(27, 62.4, 21), 22, 0},
        {g.project(27, 62.4, 47), 22, 1},  {g.project(27, 62.4, 73), 22, 2},
        {g.project(27, 77.8, 47), 22, 1},  {g.project(27, 62.4, 21), 34, 1},
        {{0, 0}, 22, 2},
        // Beside the fronts, ties between neighbouring centres go to the lower drawer.
        {g.project(60, 62.4, 34), 0, 0},   {g.project(60, 62.4, 60), 0, 1},
        {g.project(60, 62.4, 34.1), 0, 1}, {g.project(60, 62.4, 200), 0, 2},
    };
    // clang-format on
    for (const Case &c : cases) {
        EXPECT_EQ(g.hit(c.point, c.pull), c.drawer) << c.point.x() << "," << c.point.y();
    }
}

TEST(DrawerSimulationTest, DistancesByIntensity)
{
    for (const auto &[intensity, full] : {std::pair{0.0, 12.0},
                                          {0.5, 22.0},
                                          {1.0, 34.0},
                                          {-3.0, 12.0},
                                          {7.0, 34.0},
                                          {std::nan(""), 12.0}}) {
        EXPECT_DOUBLE_EQ(DrawerSimulation::distance(intensity), full) << intensity;
        DrawerSimulation sim;
        sim.update(intensity);
        sim.settle();
        EXPECT_NEAR(sim.openings[1].target, 0.7 * full, 1e-12);
        EXPECT_EQ(sim.openings[0].target, 0);
    }
}

TEST(DrawerSimulationTest, TourBoundariesAndWrap)
{
    for (const auto &[time, selected] :
         {std::pair{0.0, -1}, {1.19, -1}, {1.2, 1}, {3.3, 0}, {5.4, 2}, {7.5, -1}, {9.2, -1}}) {
        EXPECT_EQ(DrawerSimulation::tourSelection(time), selected) << time;
    }
    DrawerSimulation sim;
    sim.tourTime = 9.25;
    sim.tick(0.05, 0.5);
    EXPECT_NEAR(sim.tourTime, 0, 1e-9);
    EXPECT_EQ(sim.selected, -1);
    sim.tourTime = 1.19;
    sim.tick(0.01, 0.5);
    EXPECT_EQ(sim.selected, 1);
    EXPECT_EQ(sim.readout(), QStringLiteral("drawer 2 \u00B7 3"));
}

TEST(DrawerSimulationTest, MovementsContinueWithoutJumps)
{
    DrawerSimulation sim;
    EXPECT_EQ(sim.readout(), QStringLiteral("rest"));
    sim.isHovering = true;
    sim.selected = 0;
    sim.update(0.5);
    const auto before = sim.shapes;
    sim.tick(0, 0.5); // no time passes: no shape changes
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sim.shapes[i].face.path, before[i].face.path);
    }
    EXPECT_EQ(sim.readout(), QStringLiteral("drawer 3 \u00B7 3"));

    sim.tick(0.2, 0.5);
    const double midway = sim.openings[0].value(sim.time);
    ASSERT_GT(midway, 0);
    ASSERT_LT(midway, 22);
    sim.update(1.0); // a new intensity retargets from where the drawer is
    EXPECT_EQ(sim.openings[0].from, midway);
    EXPECT_EQ(sim.openings[0].target, 34);
    EXPECT_EQ(sim.openings[0].value(sim.time), midway);

    sim.settle();
    EXPECT_EQ(sim.openings[0].value(sim.time), 34);
    EXPECT_EQ(sim.openings[1].value(sim.time), 0);
    EXPECT_EQ(sim.shapes[0].face.path, sim.geometry.drawer(0, 34).face.path);
}

using Harness = test::CanvasHarness<HairlineDrawerCanvas>;

TEST(HairlineDrawerCanvasTest, IdentityAndAccessibility)
{
    Harness h;
    EXPECT_EQ(h.canvas->objectName(), QStringLiteral("hairline-drawer-canvas"));
    EXPECT_EQ(h.canvas->accessibleName(),
              QStringLiteral("Drawer illustration: three drawers in a filing cabinet holding "
                             "saved-layout cards"));
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(h.canvas.get());
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->childCount(), 0);
    EXPECT_EQ(element->text(QAccessible::Value), QStringLiteral("rest"));
    h.canvas->setPaused(true);
    EXPECT_EQ(element->text(QAccessible::Value), QStringLiteral("Paused"));
}

TEST(HairlineDrawerCanvasTest, AppearanceRetargetsAndThenTours)
{
    Harness h;
    h.canvas->setIntensity(1.0); // built with 0.5's rest distance of 15.4
    EXPECT_FALSE(h.clock->pending());
    h.canvas->show();
    EXPECT_TRUE(h.canvas->isLoopRunning());
    EXPECT_EQ(h.canvas->simulation().openings[1].target, 0.7 * 34);
    h.clock->frames(22); // 0.726 s: the middle drawer has landed
    EXPECT_EQ(h.canvas->simulation().openings[1].value(h.canvas->simulation().time), 0.7 * 34);
    // The tour keeps the loop running, and steps never exceed 0.05 s after a stall.
    h.clock->advance(2.0);
    h.clock->advance(0.033);
    EXPECT_NEAR(h.canvas->simulation().time, 23 * 0.033 + 0.05, 1e-9);
    EXPECT_TRUE(h.canvas->isLoopRunning());
}

TEST(HairlineDrawerCanvasTest, TheTourTakesAnIntensityChangedWhileItRuns)
{
    // The same tour twice: once at 1 from the start, once at 0 turned to 1 after the first pick
    // (1.2 s). The second pick (3.3 s) must open its drawer as far in both.
    Harness steady;
    steady.canvas->setIntensity(1.0);
    steady.canvas->show();
    Harness turned;
    turned.canvas->setIntensity(0.0);
    turned.canvas->show();
    ASSERT_EQ(steady.clock->frames(60), 60);
    ASSERT_EQ(turned.clock->frames(60), 60);
    turned.canvas->setIntensity(1.0);
    ASSERT_TRUE(turned.canvas->isLoopRunning());
    ASSERT_EQ(steady.clock->frames(50), 50);
    ASSERT_EQ(turned.clock->frames(50), 50);
    ASSERT_EQ(turned.canvas->simulation().selected, 0);
    for (int drawer = 0; drawer < 3; ++drawer) {
        EXPECT_EQ(turned.canvas->simulation().openings[drawer].target,
                  steady.canvas->simulation().openings[drawer].target)
            << drawer;
    }
}

TEST(HairlineDrawerCanvasTest, ReducedMotionSettlesAndRunsNoLoop)
{
    Harness h(true);
    h.canvas->setIntensity(1.0);
    h.canvas->show();
    EXPECT_FALSE(h.canvas->isLoopRunning());
    EXPECT_EQ(h.canvas->simulation().openings[1].from, 0.7 * 34);

    // Hover still selects, at once.
    h.canvas->hoverAt(h.canvas->simulation().geometry.project(27, 62.4, 73));
    EXPECT_EQ(h.canvas->simulation().selected, 2);
    EXPECT_EQ(h.canvas->simulation().openings[2].from, 34);
    EXPECT_EQ(h.canvas->simulation().openings[1].from, 0);
    EXPECT_FALSE(h.canvas->isLoopRunning());

    // Motion allowed again while hovering a settled drawer: one frame, then nothing moves.
    h.reduce->set(false);
    EXPECT_EQ(h.runOut(), 1);
    // Turning it on while hovering clears the hover and settles at rest.
    h.reduce->set(true);
    EXPECT_FALSE(h.canvas->simulation().isHovering);
    EXPECT_EQ(h.canvas->simulation().selected, -1);
    EXPECT_EQ(h.canvas->simulation().openings[2].from, 0);
    EXPECT_EQ(h.canvas->simulation().openings[1].from, 0.7 * 34);
    EXPECT_FALSE(h.canvas->isLoopRunning());
}

TEST(HairlineDrawerCanvasTest, LifecycleDecidesWhetherTheLoopRuns)
{
    Harness h;
    h.canvas->show();
    h.clock->frames(40);
    const double tourTime = h.canvas->simulation().tourTime;
    ASSERT_GT(tourTime, 1.2);

    h.canvas->setScenePhase(HairlineScenePhase::Inactive);
    EXPECT_TRUE(h.canvas->isLoopRunning());
    h.canvas->setScenePhase(HairlineScenePhase::Background);
    EXPECT_FALSE(h.canvas->isLoopRunning());
    h.canvas->setScenePhase(HairlineScenePhase::Active);
    EXPECT_TRUE(h.canvas->isLoopRunning());
    EXPECT_EQ(h.canvas->simulation().tourTime, tourTime); // the tour goes on where it was

    h.canvas->setPaused(true);
    EXPECT_FALSE(h.canvas->isLoopRunning());
    h.canvas->hoverAt({200, 160}); // ignored while paused
    EXPECT_FALSE(h.canvas->simulation().isHovering);
    EXPECT_EQ(h.canvas->readout(), h.canvas->simulation().readout());
    h.canvas->setPaused(false);

    // Hovering over a drawer: the loop runs until it has landed, plus the closing frame.
    h.canvas->hoverAt(h.canvas->simulation().geometry.project(27, 62.4, 73));
    EXPECT_EQ(h.canvas->simulation().selected, 2);
    EXPECT_TRUE(h.canvas->isLoopRunning());
    const int frames = h.runOut();
    EXPECT_GE(frames, 21);
    EXPECT_LE(frames, 24);
    EXPECT_FALSE(h.canvas->isLoopRunning());
    // Moving over the same, settled drawer starts nothing.
    h.canvas->hoverAt(h.canvas->simulation().geometry.project(27, 62.4, 72));
    EXPECT_FALSE(h.canvas->isLoopRunning());

    // Leaving the background while hovering clears the hover and rewinds the tour.
    h.canvas->setScenePhase(HairlineScenePhase::Background);
    EXPECT_FALSE(h.canvas->simulation().isHovering);
    EXPECT_EQ(h.canvas->simulation().tourTime, 0);
    h.canvas->setScenePhase(HairlineScenePhase::Active);

    h.canvas->hide();
    EXPECT_FALSE(h.canvas->isLoopRunning());
    EXPECT_EQ(h.canvas->simulation().tourTime, 0);
    EXPECT_EQ(h.canvas->simulation().selected, -1);
}

TEST(HairlineDrawerCanvasTest, UptimeSteppingBackIsNoStep)
{
    Harness h;
    h.canvas->show();
    h.clock->frames(3);
    const double time = h.canvas->simulation().time;
    h.clock->setUptime(h.clock->uptime() - 5);
    h.clock->advance(5.033); // the wake falls due, but the uptime moved back meanwhile
    h.clock->setUptime(h.clock->uptime() - 1);
    h.clock->advance(1.0 + 0.033);
    EXPECT_GE(h.canvas->simulation().time, time);
    EXPECT_LE(h.canvas->simulation().time, time + 0.1);
}

TEST(HairlineDrawerCanvasTest, ZeroSizeDrawsNothingAndIgnoresHover)
{
    Harness h(false, {0, 0});
    h.canvas->show();
    h.canvas->hoverAt({0, 0});
    EXPECT_FALSE(h.canvas->simulation().isHovering);
    const QImage image = test::render(
        [&](QPainter &p, QSizeF) { h.canvas->paintDrawing(p, QSizeF(0, 120)); }, {50, 50});
    EXPECT_EQ(test::paintedPixels(image, Qt::red), 0);
}

TEST(HairlineDrawerCanvasTest, SurfaceHidesWhatLiesBehindAndTheHighlightIsInk)
{
    DrawerSimulation sim;
    const auto palette = HairlinePalette::forAppearance(true);
    // 800 × 640: the design box at scale 2.
    const QImage image = test::render(
        [&](QPainter &p, QSizeF size) { sim.draw(p, size, true, std::nullopt); }, {800, 640}, 2);
    const QPointF body = sim.geometry.project(27, 30, 60) * 2; // inside the body, off any line
    EXPECT_EQ(image.pixelColor(static_cast<int>(body.x() * 2), static_cast<int>(body.y() * 2)),
              palette.surface);
    EXPECT_EQ(image.pixelColor(4, 4), QColor(Qt::red)); // no background of its own

    // The resting middle drawer's front is ink; the bottom drawer's front is dim.
    const QPointF middle = sim.geometry.project(3, 77.8, 47) * 2; // left edge of its front
    const QPointF bottom = sim.geometry.project(3, 62.4, 21) * 2;
    EXPECT_LT(test::colourDistance(test::nearest(image, middle, palette.ink), palette.ink), 40);
    EXPECT_GT(test::colourDistance(test::nearest(image, bottom, palette.ink), palette.ink), 150);
    EXPECT_LT(test::colourDistance(test::nearest(image, bottom, palette.dim), palette.dim), 40);
}

} // namespace
} // namespace ostrel
