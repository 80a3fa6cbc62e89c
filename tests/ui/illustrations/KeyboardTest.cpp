#include "CanvasHarness.h"
#include "ExpectNear.h"
#include "Rendering.h"

#include "ui/illustrations/HairlineKeyboardCanvas.h"
#include "ui/illustrations/HairlinePalette.h"
#include "ui/illustrations/KeyboardGeometry.h"
#include "ui/illustrations/KeyboardSimulation.h"
#include "ui/illustrations/KeyboardTour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ostrel {
namespace {

using test::expectNear;

const KeyboardGeometry &iso()
{
    return KeyboardGeometry::board();
}

int indexOf(const KeyboardGeometry &g, const QString &name)
{
    for (qsizetype i = 0; i < g.keys.size(); ++i) {
        if (g.keys[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TEST(KeyboardGeometryTest, Layout)
{
    const auto &g = iso();
    ASSERT_EQ(g.keys.size(), 60);
    int perRow[5] = {};
    double rowEnd[5] = {};
    for (const auto &key : g.keys) {
        ++perRow[key.row];
        rowEnd[key.row] = key.x1;
        EXPECT_EQ(key.foot.size(), 20);
        EXPECT_EQ(key.top.size(), 20);
        EXPECT_EQ(key.inner.size(), 20);
    }
    EXPECT_EQ(std::vector<int>(perRow, perRow + 5), (std::vector<int>{14, 14, 13, 12, 7}));
    for (double end : rowEnd) {
        EXPECT_DOUBLE_EQ(end, 210);
    }
    EXPECT_EQ(g.enter, 40);
    struct Span {
        QString name;
        double x0, x1;
        int row;
    };
    for (const Span &s :
         {Span{QStringLiteral("space"), 56, 154, 4}, Span{QStringLiteral("key w"), 35, 49, 1},
          Span{QStringLiteral("enter"), 178.5, 210, 2},
          Span{QStringLiteral("key \\"), 189, 210, 1}}) {
        const auto &key = g.keys[indexOf(g, s.name)];
        EXPECT_DOUBLE_EQ(key.x0, s.x0) << s.name.toStdString();
        EXPECT_DOUBLE_EQ(key.x1, s.x1);
        EXPECT_EQ(key.row, s.row);
    }
    // A ring's first sample lies on the high-u side at the v of its first corner centre.
    const auto &enter = g.keys[40];
    EXPECT_DOUBLE_EQ(enter.foot[0].u, 210 - 0.8);
    EXPECT_DOUBLE_EQ(enter.foot[0].v, 28 + 14 - 3.4);
}

TEST(KeyboardGeometryTest, CamerasOffsetsAndTourStops)
{
    const auto &front = KeyboardGeometry::frontBoard();
    expectNear(iso().offset, {129.7136, 95.5298});
    expectNear(front.offset, {50.9, 121.8545});
    ASSERT_EQ(iso().tourStops.size(), 3);
    expectNear(iso().tourStops[0], {289.6152, 197.8343});
    expectNear(iso().tourStops[1], {171.8854, 165.3623});
    expectNear(iso().tourStops[2], {150.7995, 113.2624});
    expectNear(front.tourStops[0], {326.735, 156.3199});
    expectNear(front.tourStops[1], {200.0, 189.0687});
    expectNear(front.tourStops[2], {110.54, 138.7487});
    // Seen from the front the slab's top face spans x 42.38 to 357.62, edges along u level.
    EXPECT_NEAR(front.project(-6, 30, 0).x(), 42.38, 1e-9);
    EXPECT_NEAR(front.project(216, 30, 0).x(), 357.62, 1e-9);
    EXPECT_DOUBLE_EQ(front.project(10, 5, 3).y(), front.project(150, 5, 3).y());

    // The viewer-facing rims: 11 samples seen at 45°, 12 from the front.
    for (const auto &[g, count] : {std::pair{&iso(), 11}, std::pair{&front, 12}}) {
        for (const auto &key : g->keys) {
            EXPECT_EQ(g->shape(key, key.height).crease.elementCount(), count);
        }
        EXPECT_EQ(g->base.crease.elementCount(), count);
        EXPECT_TRUE(g->base.bump.isEmpty());
        for (int i = 0; i < 60; ++i) {
            const auto &key = g->keys[i];
            const bool homing =
                key.name == QStringLiteral("key f") || key.name == QStringLiteral("key j");
            EXPECT_EQ(g->shape(key, key.height).bump.isEmpty(), !homing) << i;
        }
        const QPointF p = g->project(123.4, 56.7, 8.9);
        expectNear(g->unproject(p, 8.9), {123.4, 56.7}, 1e-9);
    }
}

TEST(KeyboardGeometryTest, HitTable)
{
    for (const KeyboardGeometry *g : {&iso(), &KeyboardGeometry::frontBoard()}) {
        for (int i = 0; i < 60; ++i) {
            const auto &key = g->keys[i];
            const QPointF centre((key.x0 + key.x1) / 2, (key.y0 + key.y1) / 2);
            const auto hit = g->hit(g->project(centre.x(), centre.y(), key.height));
            ASSERT_TRUE(hit.has_value()) << i;
            EXPECT_EQ(hit->index, i);
            expectNear(hit->at, centre, 1e-9);
        }
        const auto beside = g->hit(g->project(215, 35, 10.4));
        ASSERT_TRUE(beside.has_value());
        EXPECT_EQ(beside->index, 40);
        expectNear(beside->at, {209.99, 35}, 1e-9);
        EXPECT_FALSE(g->hit(g->project(217, 35, 10.4)).has_value());
        const auto margin = g->hit(g->project(100, 75, 10.4));
        ASSERT_TRUE(margin.has_value());
        EXPECT_EQ(g->keys[margin->index].name, QStringLiteral("space"));
        expectNear(margin->at, {100, 69.99}, 1e-9);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        for (QPointF bad :
             {QPointF(nan, 100), QPointF(200, nan), QPointF(inf, 100), QPointF(200, -inf)}) {
            EXPECT_FALSE(g->hit(bad).has_value());
        }
    }
}

TEST(KeyboardSimulationTest, RestPose)
{
    KeyboardSimulation sim(HairlineKeyboardCamera::isometric);
    EXPECT_FALSE(sim.isMoving());
    EXPECT_EQ(sim.selected, 40);
    EXPECT_EQ(sim.readout(), QStringLiteral("Rest"));
    QHash<QString, double> lowered;
    for (int i = 0; i < 60; ++i) {
        const double drop = sim.geometry.keys[i].height - sim.heights[i];
        if (drop != 0) {
            lowered.insert(sim.geometry.keys[i].name, drop);
        }
    }
    // clang-format off
    const QHash<QString, double> expected = {
        {QStringLiteral("enter"), 4.8},     {QStringLiteral("key \\"), 3.3},
        {QStringLiteral("shift r"), 3.3},   {QStringLiteral("key ]"), 2.925},
        {QStringLiteral("key '"), 1.425},   {QStringLiteral("bksp"), 0.3},
        {QStringLiteral("ctrl r"), 0.3},    {QStringLiteral("key ["), 0.4107},
        {QStringLiteral("fn"), 0.1615}};
    ASSERT_EQ(lowered.size(), 9);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        EXPECT_NEAR(lowered.value(it.key()), it.value(), 0.0001) << it.key().toStdString();
    }
    // clang-format on
    EXPECT_NEAR(sim.heights[40], 5.6, 1e-9);
}

TEST(KeyboardSimulationTest, PressRadiusAndPointer)
{
    for (const auto &[intensity, radius] : {std::pair{0.0, 14.0},
                                            {0.25, 21.0},
                                            {0.5, 28.0},
                                            {0.75, 38.5},
                                            {1.0, 49.0},
                                            {-0.5, 14.0},
                                            {-3.0, 14.0},
                                            {std::nan(""), 14.0},
                                            {4.0, 49.0}}) {
        EXPECT_DOUBLE_EQ(KeyboardSimulation::pressRadius(intensity), radius) << intensity;
    }
    KeyboardSimulation sim(HairlineKeyboardCamera::isometric);
    const int w = indexOf(sim.geometry, QStringLiteral("key w"));
    const auto &key = sim.geometry.keys[w];
    sim.isHovering = true;
    sim.pointer = sim.geometry.project(key.x0 + 2, key.y0 + 3, key.height);
    sim.retarget(0.5);
    EXPECT_EQ(sim.selected, w);
    EXPECT_DOUBLE_EQ(sim.targets[w], key.height - 8);
    EXPECT_EQ(sim.readout(), QStringLiteral("Hover \u00B7 key w"));
    // An intensity far below range still gives keys a target they can rest on.
    sim.retarget(-7);
    sim.settle();
    EXPECT_FALSE(sim.isMoving());

    // Off every key: the rest pose, but the readout still tells who points.
    sim.pointer = QPointF(1, 1);
    sim.retarget(0.5);
    EXPECT_EQ(sim.selected, 40);
    EXPECT_NEAR(sim.targets[40], 5.6, 1e-9);
    EXPECT_EQ(sim.readout(), QStringLiteral("Hover \u00B7 enter"));
}

TEST(KeyboardSimulationTest, SpringsSnapOnTheTwentiethFrame)
{
    KeyboardSimulation sim(HairlineKeyboardCamera::front);
    const int q = indexOf(sim.geometry, QStringLiteral("key q"));
    sim.targets[q] = sim.heights[q] - 8;
    for (int frame = 1; frame <= 19; ++frame) {
        EXPECT_TRUE(sim.tick(0.033, 0.5, false)) << frame;
    }
    EXPECT_NEAR(sim.heights[q] - sim.targets[q], 0.010, 0.001);
    EXPECT_NEAR(std::abs(sim.velocities[q]), 0.33, 0.01);
    EXPECT_FALSE(sim.tick(0.033, 0.5, false));
    EXPECT_EQ(sim.heights[q], sim.targets[q]);
    EXPECT_FALSE(sim.isMoving());

    // dt 0: nothing moves; keys inside both thresholds snap, the others still count as moving.
    sim.heights[q] = sim.targets[q] + 0.019;
    EXPECT_FALSE(sim.tick(0, 0.5, false));
    EXPECT_EQ(sim.heights[q], sim.targets[q]);
    sim.heights[q] = sim.targets[q] + 0.02;
    EXPECT_TRUE(sim.tick(0, 0.5, false));
    EXPECT_EQ(sim.heights[q], sim.targets[q] + 0.02);
    sim.heights[q] = sim.targets[q];
    sim.velocities[q] = 0.2;
    EXPECT_TRUE(sim.tick(0, 0.5, false));
}

TEST(KeyboardTourTest, TimetableInCalls)
{
    KeyboardTour empty;
    for (int i = 0; i < 400; ++i) {
        EXPECT_FALSE(empty.advance(0.033, {}).has_value());
    }
    const QList<QPointF> stops = iso().tourStops;
    KeyboardTour tour;
    int call = 0;
    QList<int> changes; // calls at which presence or stillness flips
    int firstShown = 0;
    bool lastPresent = false;
    for (call = 1; call <= 38 + 251 + 10; ++call) {
        const auto p = tour.advance(0.033, stops);
        if (p && !firstShown) {
            firstShown = call;
        }
        if (p.has_value() != lastPresent) {
            changes.push_back(call);
        }
        lastPresent = p.has_value();
        if (tour.travel < 0 && p && tour.wait == KeyboardTour::dwell) {
            // A leg just ended: exactly on its stop.
            EXPECT_EQ(*p, stops[(tour.index - 1) % 3]);
        }
    }
    EXPECT_EQ(firstShown, 38);
    // Shown from call 38: three legs of 28 calls, each followed by a dwell of 37; then one
    // call removes the pointer, which stays absent 55 more calls.
    const int hidden = 37 + 28 + (37 + 28) * 2 + 37; // the last call that shows it
    ASSERT_GE(changes.size(), 3);
    EXPECT_EQ(changes[1], hidden + 1);
    EXPECT_EQ(changes[2], hidden + 1 + 56);
    EXPECT_EQ(changes[2] - changes[0], 251);
}

using Harness = test::CanvasHarness<HairlineKeyboardCanvas>;

TEST(HairlineKeyboardCanvasTest, ViewBoxFitForDrawingAndPointer)
{
    Harness h(false, {620, 180});
    h.canvas->setViewBox(QRectF(45, 75, 310, 180));
    h.canvas->show();
    h.canvas->hoverAt({200, 50});
    ASSERT_TRUE(h.canvas->simulation().pointer.has_value());
    EXPECT_EQ(*h.canvas->simulation().pointer, QPointF(90, 125));
    h.canvas->resize(310, 180);
    h.canvas->hoverAt({200, 50});
    EXPECT_EQ(*h.canvas->simulation().pointer, QPointF(245, 125));
    EXPECT_TRUE(h.canvas->simulation().isHovering);
}

TEST(HairlineKeyboardCanvasTest, EmptyViewBoxDrawsNothingAndIgnoresThePointer)
{
    for (QRectF box : {QRectF(45, 75, 0, 180), QRectF(45, 75, 310, 0)}) {
        Harness h(false, {310, 180});
        h.canvas->setViewBox(box);
        h.canvas->show();
        h.canvas->hoverAt({100, 100});
        EXPECT_FALSE(h.canvas->simulation().isHovering);
        EXPECT_FALSE(h.canvas->simulation().pointer.has_value());
        const QImage image = test::render(
            [&](QPainter &p, QSizeF size) { h.canvas->paintDrawing(p, size); }, {310, 180});
        EXPECT_EQ(test::paintedPixels(image, Qt::red), 0);
    }
}

TEST(HairlineKeyboardCanvasTest, AutoplayHoverPauseAndReducedMotion)
{
    Harness h;
    EXPECT_EQ(h.canvas->objectName(), QStringLiteral("hairline-keyboard-canvas"));
    h.canvas->show();
    const auto &sim = h.canvas->simulation();
    EXPECT_TRUE(h.canvas->isLoopRunning()); // autoplay drives the tour
    h.clock->frames(38);
    EXPECT_EQ(h.canvas->readout(), QStringLiteral("Autoplay \u00B7 enter"));

    // Hovering freezes the tour; the loop ends once the springs rest.
    const auto tour = sim.tour;
    h.canvas->hoverAt(sim.geometry.tourStops[1]);
    EXPECT_EQ(h.canvas->readout(), QStringLiteral("Hover \u00B7 space"));
    const int frames = h.runOut();
    EXPECT_GT(frames, 5);
    EXPECT_FALSE(h.canvas->isLoopRunning());
    EXPECT_EQ(sim.tour, tour);

    // Ending the hover resets the tour: 1.2 s of rest pose before the first stop.
    h.canvas->hoverEnded();
    EXPECT_EQ(sim.tour, KeyboardTour{});
    EXPECT_EQ(h.canvas->readout(), QStringLiteral("Rest"));
    EXPECT_TRUE(h.canvas->isLoopRunning());

    h.canvas->setPaused(true);
    EXPECT_FALSE(h.canvas->isLoopRunning());
    EXPECT_EQ(h.canvas->accessibilityValue(), QStringLiteral("Paused"));
    h.canvas->hoverAt({200, 160});
    EXPECT_FALSE(sim.isHovering);
    h.canvas->setPaused(false);

    // Reduced motion: no tour; a hover lands at once through the restarted loop.
    h.reduce->set(true);
    h.runOut();
    EXPECT_FALSE(h.canvas->isLoopRunning());
    h.canvas->hoverAt(sim.geometry.tourStops[2]);
    EXPECT_FALSE(sim.isMoving());
    EXPECT_FALSE(h.canvas->isLoopRunning());
    EXPECT_EQ(sim.heights[sim.selected], sim.targets[sim.selected]);

    // Autoplay off, not hovering: the loop stops once the springs rest.
    h.reduce->set(false);
    h.canvas->setAutoplay(false);
    h.canvas->hoverEnded();
    h.runOut();
    EXPECT_FALSE(h.canvas->isLoopRunning());
}

TEST(HairlineKeyboardCanvasTest, SelectedKeyIsInkAndTheOthersDim)
{
    KeyboardSimulation sim(HairlineKeyboardCamera::front);
    const auto palette = HairlinePalette::forAppearance(true);
    const QImage image = test::render(
        [&](QPainter &p, QSizeF size) {
            sim.draw(p, size, true, std::nullopt, QRectF(0, 0, 400, 320));
        },
        {800, 640}, 2);
    // A point on each key's right-hand silhouette edge, at the middle of its row.
    const auto edge = [&](const QString &name) {
        const QRectF bounds = sim.shapes[indexOf(sim.geometry, name)].silhouette.boundingRect();
        return QPointF(bounds.right(), bounds.center().y()) * 2;
    };
    EXPECT_LT(test::colourDistance(test::nearest(image, edge(QStringLiteral("enter")), palette.ink),
                                   palette.ink),
              60);
    const QPointF other = edge(QStringLiteral("key q"));
    EXPECT_GT(test::colourDistance(test::nearest(image, other, palette.ink), palette.ink), 150);
    EXPECT_LT(test::colourDistance(test::nearest(image, other, palette.dim), palette.dim), 60);
}

} // namespace
} // namespace ostrel
