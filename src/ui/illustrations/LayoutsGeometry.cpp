#include "ui/illustrations/LayoutsGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrel::LayoutsGeometry {

namespace {

using HairlineGeometry::Sample;

constexpr double root2 = 1.4142135623730951;
constexpr double root3 = 1.7320508075688772;
constexpr double halfRoot3 = 0.8660254037844386;
constexpr double cos50 = 0.6427876096865394;
constexpr double sin50 = 0.766044443118978;
constexpr double floorHeight = -48;

struct Scene {
    double p;
    double q;
    double h;
};

// Steps 1 to 3: the layer placed in the stack, then turned into the scene.
Scene scene(int layer, LayoutsPose pose, double u, double v, double depth)
{
    const double k = layer - 1;
    const double a = pose.amount;
    const double f = pose.focus;
    const double theta = (1 - f) * (3 * k * a) * std::numbers::pi / 180;
    const double x = u * std::cos(theta) - v * std::sin(theta) + (10 * a + 16) * k;
    const double y = u * std::sin(theta) + v * std::cos(theta) + (6 * a + 30) * k;
    const double z = 10 * f + ((6 * a + 14) * k + depth);
    return {0.5 * x + root3 * sin50 * 0.5 * y + root3 * cos50 * 0.5 * z,
            -halfRoot3 * x + 0.5 * sin50 * y + 0.5 * cos50 * z, sin50 * z - cos50 * y};
}

// Step 4: the view into the design box.
QPointF view(Scene s, QPointF offset)
{
    return {1.25 * (s.p - s.q) / root2 + offset.x(),
            1.25 * (0.5 * (s.p + s.q) / root2 - halfRoot3 * s.h) + offset.y()};
}

QList<QPointF> points(const QList<Sample> &samples, int layer, LayoutsPose pose, double depth,
                      QPointF offset)
{
    QList<QPointF> result;
    result.reserve(samples.size());
    for (const Sample &s : samples) {
        result.push_back(view(scene(layer, pose, s.u, s.v, depth), offset));
    }
    return result;
}

QPainterPath silhouette(const Constants &c, int layer, LayoutsPose pose)
{
    QList<QPointF> both = points(c.ring, layer, pose, 0, c.offset);
    both += points(c.ring, layer, pose, 8, c.offset);
    return HairlineGeometry::path(HairlineGeometry::hull(both), true);
}

QPainterPath segments(const QList<std::pair<QPointF, QPointF>> &lines)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const auto &[from, to] : lines) {
        path.moveTo(from);
        path.lineTo(to);
    }
    return path;
}

Constants build()
{
    Constants c;
    c.ct = cos50;
    c.st = sin50;
    c.ring = HairlineGeometry::ringAround(-52, 52, -34, 34, 8, 11);
    c.inner = HairlineGeometry::ringAround(-52, 52, -34, 34, 6.6, 11);
    c.viewU = -0.22414386804201333;
    c.viewV = c.st * 0.6123724356957945 * 1.3660254037844386 - 0.5 * c.ct;
    c.front = HairlineGeometry::frontRun(c.inner, std::atan2(c.viewU, c.viewV));
    for (int i = 0; i < 3; ++i) {
        const double cx = -50 + 7 * i;
        c.controls[i] = HairlineGeometry::ringAround(cx, cx, -35, -35, 1.1, 9);
    }

    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (int layer = 0; layer < 3; ++layer) {
        for (LayoutsPose pose : {LayoutsPose{0, 0}, LayoutsPose{1.3, 0}, LayoutsPose{1.3, 1}}) {
            for (double u : {-60.0, 60.0}) {
                for (double v : {-42.0, 42.0}) {
                    for (double depth : {0.0, 8.0}) {
                        const QPointF p = view(scene(layer, pose, u, v, depth), {0, 0});
                        minX = std::min(minX, p.x());
                        maxX = std::max(maxX, p.x());
                        minY = std::min(minY, p.y());
                        maxY = std::max(maxY, p.y());
                    }
                }
            }
        }
    }
    c.offset = QPointF(200 - (minX + maxX) / 2, 166 - (minY + maxY) / 2);

    const auto onFloor = [&](double p, double q) { return view({p, q, floorHeight}, c.offset); };
    c.grid = segments({{onFloor(-32, -70), onFloor(-32, 70)},
                       {onFloor(-70, -32), onFloor(70, -32)},
                       {onFloor(32, -70), onFloor(32, 70)},
                       {onFloor(-70, 32), onFloor(70, 32)}});
    for (int layer = 0; layer < 3; ++layer) {
        c.resting[layer] = silhouette(c, layer, {0, 0});
    }
    return c;
}

} // namespace

const Constants &constants()
{
    static const Constants shared = build();
    return shared;
}

QPointF project(int layer, LayoutsPose pose, double u, double v, double depth)
{
    return view(scene(layer, pose, u, v, depth), constants().offset);
}

Pane pane(int layer, LayoutsPose pose)
{
    const Constants &c = constants();
    Pane result;
    result.controls.setFillRule(Qt::WindingFill);
    for (const auto &dot : c.controls) {
        result.controls.addPath(
            HairlineGeometry::path(points(dot, layer, pose, 8, c.offset), true));
    }
    result.silhouette = silhouette(c, layer, pose);
    result.crease = HairlineGeometry::path(points(c.front, layer, pose, 8, c.offset), false);
    result.header = HairlineGeometry::path(
        {project(layer, pose, -58.6, -28, 8), project(layer, pose, 58.6, -28, 8)}, false);
    return result;
}

QPainterPath guides(const QList<LayoutsPose> &poses)
{
    QList<std::pair<QPointF, QPointF>> lines;
    for (int lower = 0; lower < 2; ++lower) {
        for (const auto &[u, v] : {std::pair{-60.0, 24.0}, std::pair{52.0, 42.0}}) {
            lines.push_back({project(lower, poses[lower], u, v, 8),
                             project(lower + 1, poses[lower + 1], u, v, 0)});
        }
    }
    const QPointF offset = constants().offset;
    for (double u : {-52.0, 52.0}) {
        const Scene s = scene(2, poses[2], u, 42, 0);
        const QPointF top = view(s, offset);
        const double floorY = 1.25 * (0.5 * (s.p + s.q) / root2 + 41.569219381653056) + offset.y();
        lines.push_back({top, {top.x(), floorY}});
    }
    return segments(lines);
}

} // namespace ostrel::LayoutsGeometry
