#include "ui/illustrations/DrawerGeometry.h"

#include "ui/illustrations/HairlineGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace ostrel {

namespace {

using HairlineGeometry::Sample;

constexpr double root2 = 1.4142135623730951;
constexpr double cos30 = 0.8660254037844386;
constexpr double unit = 2.1;

QPointF projectWith(QPointF offset, double x, double y, double z)
{
    return {offset.x() + (x - y) * unit / root2,
            offset.y() + unit * ((x + y) / root2 * 0.5 - z * cos30)};
}

// A ring lying flat (u = x, v = y) at height z.
QList<QPointF> flat(const QList<Sample> &ring, double z, QPointF offset)
{
    QList<QPointF> points;
    points.reserve(ring.size());
    for (const Sample &s : ring) {
        points.push_back(projectWith(offset, s.u, s.v, z));
    }
    return points;
}

// A ring standing upright on a front (u = x, v = z) at depth y.
QList<QPointF> upright(const QList<Sample> &ring, double y, QPointF offset)
{
    QList<QPointF> points;
    points.reserve(ring.size());
    for (const Sample &s : ring) {
        points.push_back(projectWith(offset, s.u, y, s.v));
    }
    return points;
}

QPainterPath hullPath(QList<QPointF> a, const QList<QPointF> &b)
{
    a += b;
    return HairlineGeometry::path(HairlineGeometry::hull(a), true);
}

QPainterPath emptyPath()
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    return path;
}

} // namespace

DrawerGeometry::DrawerGeometry()
{
    // Centre the body, with a drawer pulled fully out, on (200, 166): the extents and their
    // mirror images through the body's centre make that centre land there exactly.
    QList<std::array<double, 3>> extents = {{0, 0, 0},     {54, 0, 0},   {0, 0, 89},
                                            {54, 0, 89},   {54, 60, 0},  {0, 96.4, 8},
                                            {0, 96.4, 86}, {54, 96.4, 8}};
    for (qsizetype i = 0; i < 8; ++i) {
        const auto &p = extents[i];
        extents.push_back({54 - p[0], 60 - p[1], 89 - p[2]});
    }
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (const auto &p : extents) {
        const QPointF q = projectWith({0, 0}, p[0], p[1], p[2]);
        minX = std::min(minX, q.x());
        maxX = std::max(maxX, q.x());
        minY = std::min(minY, q.y());
        maxY = std::max(maxY, q.y());
    }
    offset = QPointF(200 - (minX + maxX) * 0.5, 166 - (minY + maxY) * 0.5);

    const auto plinth = solid(3, 51, 3, 57, 0, 5, 2.4, 1.0, offset);
    const auto body = solid(0, 54, 0, 60, 5, 89, 3.0, 1.4, offset);
    QPainterPath openings = emptyPath();
    for (int i = 0; i < 3; ++i) {
        const double base = 8.8 + 26 * i;
        const auto ring = HairlineGeometry::ring(5.4, 48.6, base + 1.4, base + 22.2, 0.8, 3);
        openings.addPath(HairlineGeometry::path(upright(ring, 60, offset), true));
    }
    cabinet = {plinth.first, plinth.second, body.first, body.second, {openings, true, false}};
}

const DrawerGeometry &DrawerGeometry::scene()
{
    static const DrawerGeometry shared;
    return shared;
}

QPointF DrawerGeometry::project(double x, double y, double z) const
{
    return projectWith(offset, x, y, z);
}

std::pair<DrawerGeometry::Mark, DrawerGeometry::Mark>
DrawerGeometry::solid(double x0, double x1, double y0, double y1, double z0, double z1,
                      double radius, double inset, QPointF offset)
{
    const double r = std::min(radius, 0.5 * std::min(x1 - x0, y1 - y0));
    const auto outer = HairlineGeometry::ring(x0, x1, y0, y1, r, 5);
    Mark silhouette{hullPath(flat(outer, z0, offset), flat(outer, z1, offset)), false, true};
    const auto inner =
        HairlineGeometry::ring(x0 + inset, x1 - inset, y0 + inset, y1 - inset, radius - inset, 5);
    const auto run = HairlineGeometry::frontRun(inner, std::numbers::pi / 4);
    Mark crease{HairlineGeometry::path(flat(run, z1, offset), false), true, false};
    return {silhouette, crease};
}

DrawerGeometry::Drawer DrawerGeometry::drawer(int index, double opening) const
{
    const double base = 8.8 + 26 * index;
    const double top = base + 24.4;
    const double back = 60 + opening; // F: the back plane of the drawer front
    const double front = back + 2.4;  // G: its front plane
    const bool open = opening >= 0.05;

    // The part of the drawer body outside the cabinet, y from 60 to F.
    const auto slab = [&](double x0, double x1, double z0, double z1, double limit, bool dim,
                          bool filled) {
        if (!open) {
            return Mark{emptyPath(), dim, filled};
        }
        const double r = std::min(limit, 0.5 * std::min(x1 - x0, opening));
        const auto ring = HairlineGeometry::ring(x0, x1, 60, back, r, 4);
        return Mark{hullPath(flat(ring, z0, offset), flat(ring, z1, offset)), dim, filled};
    };
    const auto pane = [&](double x0, double x1, double t, double depth) {
        const auto ring = HairlineGeometry::ring(x0, x1, t - 8, t - 3, 0.6, 5);
        return HairlineGeometry::path(upright(ring, depth, offset), true);
    };

    Drawer result;
    result.interior.push_back(slab(6.2, 47.8, base + 2.2, base + 3.5, 0.6, true, true));
    result.interior.push_back(slab(6.2, 7.5, base + 3.5, base + 20.8, 0.5, true, true));
    for (int k = 0; k < 3; ++k) {
        const double y = back - 15 + 5 * k;
        if (!(y > 60)) {
            continue;
        }
        const double t = base + 23.6 - 0.9 * k;
        // A card is 0.7 thick and cut at the cabinet front while it emerges.
        const auto ring = HairlineGeometry::ring(8.2, 45.8, base + 3.5, t, 1.5, 6);
        result.interior.push_back(
            {hullPath(upright(ring, std::max(y - 0.7, 60.0), offset), upright(ring, y, offset)),
             false, true});
        QPainterPath panes = pane(11.2, 19.2, t, y);
        panes.addPath(pane(22.2, 42.8, t, y));
        result.interior.push_back({panes, true, false});
    }
    result.interior.push_back(slab(46.5, 47.8, base + 3.5, base + 20.8, 0.5, true, true));
    result.interior.push_back(slab(6.2, 47.8, base + 2.2, base + 20.8, 0.8, false, false));

    const auto faceRing = HairlineGeometry::ring(3, 51, base, top, 1.6, 5);
    result.face = {hullPath(upright(faceRing, back, offset), upright(faceRing, front, offset)),
                   false, true};
    const auto creaseRing = HairlineGeometry::ring(4, 50, base + 1, top - 1, 1.0, 5);
    const auto run = HairlineGeometry::frontRun(creaseRing, 0.8847764558503127);
    result.crease = {HairlineGeometry::path(upright(run, front, offset), false), true, false};
    const double middle = (base + top) * 0.5;
    const auto pull =
        solid(18, 36, front, front + 2.6, middle - 1.3, middle + 1.3, 1.3, 0.6, offset);
    result.pull = pull.first;
    result.pullCrease = pull.second;
    return result;
}

int DrawerGeometry::hit(QPointF point, double pull) const
{
    const double a = (point.x() - offset.x()) / 1.4849242404917498;
    const double b = point.y() - offset.y();
    // The point taken back onto the plane of constant depth y = depth.
    const auto onPlane = [&](double depth) {
        const double x = a + depth;
        const double z = ((x + depth) / root2 * 0.5 - b / unit) / cos30;
        return std::pair{x, z};
    };
    const auto within = [](std::pair<double, double> p, double low, double high) {
        return p.first >= 3 && p.first <= 51 && p.second >= low && p.second <= high;
    };
    const auto closed = onPlane(62.4);
    if (within(closed, 60.8, 85.2)) {
        return 2;
    }
    if (within(onPlane(62.4 + 0.7 * pull), 34.8, 59.2)) {
        return 1;
    }
    if (within(closed, 8.8, 33.2)) {
        return 0;
    }
    const double z = closed.second;
    const double distances[3] = {std::abs(z - 21), std::abs(z - 47), std::abs(z - 73)};
    int best = distances[1] < distances[0] ? 1 : 0;
    if (distances[2] < distances[best]) {
        best = 2;
    }
    return best;
}

} // namespace ostrel
