#include "ui/illustrations/RiffleGeometry.h"

#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace ostrel {

namespace {

using HairlineGeometry::Sample;

constexpr double root2 = 1.4142135623730951;
constexpr double cos30 = 0.8660254037844386;
constexpr double unit = 1.62;
constexpr double pitch = 13;
constexpr double thickness = 1.4;

QPointF projectWith(QPointF offset, double x, double y, double z)
{
    return {offset.x() + (x - y) * unit / root2,
            offset.y() + ((x + y) / root2 * 0.5 - z * cos30) * unit};
}

QPainterPath windingPath()
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    return path;
}

// A projected front run, put into left-to-right order.
QList<QPointF> leftToRight(QList<QPointF> run)
{
    if (!run.isEmpty() && run.back().x() < run.front().x()) {
        std::reverse(run.begin(), run.end());
    }
    return run;
}

} // namespace

RiffleGeometry::RiffleGeometry(HairlineRiffleStyle style)
    : style(style)
{
    const QList<std::array<double, 3>> framing = {{-5, -9, 0},  {89, 100, -8}, {89, -9, 0},
                                                  {-5, 100, 0}, {-5, -9, 61},  {89, -9, 77}};
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (const auto &p : framing) {
        const QPointF q = projectWith({0, 0}, p[0], p[1], p[2]);
        minX = std::min(minX, q.x());
        maxX = std::max(maxX, q.x());
        minY = std::min(minY, q.y());
        maxY = std::max(maxY, q.y());
    }
    offset = QPointF(200 - (minX + maxX) / 2, 166 - (minY + maxY) / 2);

    outline = HairlineGeometry::ring(0, 84, 0, 61, 4, 9);
    const auto outer = HairlineGeometry::ring(-5, 89, -9, 100, 6, 7);
    const auto inner = HairlineGeometry::ring(-2.6, 86.6, -6.6, 97.6, 3.6, 7);
    const auto slot = HairlineGeometry::ring(31, 53, 6.5, 12.5, 3, 6);
    const auto slotLine = HairlineGeometry::ring(32.6, 51.4, 8, 11, 1.5, 6);

    const auto points = [&](const QList<Sample> &ring, double height) {
        QList<QPointF> result;
        for (const Sample &s : ring) {
            result.push_back(project(s.u, s.v, height));
        }
        return result;
    };
    const auto handle = [&](const QList<Sample> &ring) {
        QList<QPointF> result;
        for (const Sample &s : ring) {
            result.push_back(project(s.u, 100, s.v));
        }
        return HairlineGeometry::path(result, true);
    };
    const auto frontOf = [](const QList<Sample> &ring) {
        return HairlineGeometry::frontRun(ring, std::numbers::pi / 4);
    };
    const QList<QPointF> innerFront = leftToRight(points(frontOf(inner), 20));
    const QList<QPointF> outerFront = leftToRight(points(frontOf(outer), 20));
    const QList<QPointF> outerBottom = leftToRight(points(frontOf(outer), 0));

    QList<QPointF> silhouette = points(outer, 0);
    silhouette += points(outer, 20);
    far = {{HairlineGeometry::path(HairlineGeometry::hull(silhouette), true), 1, true},
           {HairlineGeometry::path(points(inner, 20), true), 1, false},
           {HairlineGeometry::path(
                points(HairlineGeometry::frontRun(inner, -3 * std::numbers::pi / 4), 2.5), false),
            0, false}};

    QList<QPointF> wall = innerFront;
    wall.push_back(outerFront.back());
    for (auto it = outerBottom.crbegin(); it != outerBottom.crend(); ++it) {
        wall.push_back(*it);
    }
    wall.push_back(outerFront.front());
    QList<QPointF> frontOutline = {outerFront.front()};
    frontOutline += outerBottom;
    frontOutline.push_back(outerFront.back());
    near = {{HairlineGeometry::path(wall, true), -1, true},
            {HairlineGeometry::path(outerFront, false), 0, false},
            {HairlineGeometry::path(innerFront, false), 1, false},
            {HairlineGeometry::path(frontOutline, false), 1, false},
            {handle(slot), 1, false},
            {handle(slotLine), 0, false}};
}

const RiffleGeometry &RiffleGeometry::scene()
{
    static const RiffleGeometry shared(HairlineRiffleStyle::windows);
    return shared;
}

const RiffleGeometry &RiffleGeometry::cards()
{
    static const RiffleGeometry shared(HairlineRiffleStyle::cards);
    return shared;
}

QPointF RiffleGeometry::project(double x, double y, double z) const
{
    return projectWith(offset, x, y, z);
}

RiffleGeometry::Window RiffleGeometry::window(int index, double angle, double lift) const
{
    const double radians = angle * std::numbers::pi / 180;
    const double s = std::sin(radians);
    const double c = std::cos(radians);
    const double depthOfItem = pitch * index;
    // A point of the item's plane (across, up) at a depth through the item.
    const auto at = [&](double across, double up, double depth) {
        return project(across, depthOfItem + up * s + depth * c, lift + up * c - depth * s);
    };
    const auto onFace = [&](const QList<Sample> &ring, double depth) {
        QList<QPointF> result;
        for (const Sample &sample : ring) {
            result.push_back(at(sample.u, sample.v, depth));
        }
        return HairlineGeometry::path(result, true);
    };
    const auto lines = [&](const QList<std::pair<QPointF, QPointF>> &segments) {
        QPainterPath path = windingPath();
        for (const auto &[from, to] : segments) {
            path.moveTo(at(from.x(), from.y(), 0));
            path.lineTo(at(to.x(), to.y(), 0));
        }
        return path;
    };

    Window result;
    if (style == HairlineRiffleStyle::windows) {
        result.back = {onFace(outline, -thickness), 0, true};
        result.face = {onFace(outline, 0), 1, true};
        result.header = {lines({{{0, 50}, {84, 50}}}), 1, false};
        QPainterPath panes = onFace(HairlineGeometry::ring(6, 22, 7, 44, 2, 7), 0);
        panes.addPath(onFace(HairlineGeometry::ring(28, 78, 7, 44, 2, 7), 0));
        result.panes = {panes, 0, false};
        QPainterPath controls = windingPath();
        for (double cx : {8.0, 14.0, 20.0}) {
            controls.addPath(
                onFace(HairlineGeometry::ring(cx - 1.1, cx + 1.1, 54.4, 56.6, 1.1, 7), 0));
        }
        result.controls = {controls, 1, false};
        return result;
    }

    const double tabs[3] = {6, 31, 56};
    const double tab = tabs[(7 - index) % 3];
    QPainterPath card = windingPath();
    card.moveTo(0, 27);
    // clang-format off
    const QPointF corners[8] = {{0, 0},          {84, 0},   {84, 54},  {tab + 22, 54},
                                {tab + 22, 61},  {tab, 61}, {tab, 54}, {0, 54}};
    // clang-format on
    const double radii[8] = {1, 1, 3.2, 1.8, 2.4, 2.4, 1.8, 3.2};
    for (int i = 0; i < 8; ++i) {
        HairlineGeometry::addTangentArc(card, corners[i], corners[(i + 1) % 8], radii[i]);
    }
    card.closeSubpath();
    // The item plane at a depth is an affine image of the card's own coordinates.
    const auto mapped = [&](double depth) {
        const QPointF o = at(0, 0, depth);
        const QPointF across = at(1, 0, depth) - o;
        const QPointF up = at(0, 1, depth) - o;
        QPainterPath path =
            QTransform(across.x(), across.y(), up.x(), up.y(), o.x(), o.y()).map(card);
        path.setFillRule(Qt::WindingFill);
        return path;
    };
    result.back = {mapped(-thickness), 0, true};
    result.face = {mapped(0), 1, true};
    result.header = {lines({{{6, 43}, {78, 43}}}), 1, false};
    result.panes = {
        lines({{{6, 36}, {78, 36}}, {{6, 29}, {78, 29}}, {{6, 22}, {78, 22}}, {{6, 15}, {78, 15}}}),
        0, false};
    result.controls = {windingPath(), 1, false};
    for (int j = 0; j < 8; ++j) {
        const int column = j % 4;
        const int row = j / 4;
        result.punches.push_back(at(tab + 11 + (column - 1.5) * 3.6, 57.5 + (0.5 - row) * 2.8, 0));
    }
    return result;
}

int RiffleGeometry::hit(QPointF point) const
{
    const double height = style == HairlineRiffleStyle::windows ? 61 : 54;
    const QPointF anchor = project(42, height * -0.20791169081775931, height * 0.9781476007338057);
    const QPointF step = projectWith({0, 0}, 0, pitch, 0);
    const QPointF across = projectWith({0, 0}, 1, 0, 0);
    const auto cross = [](QPointF a, QPointF b) { return a.x() * b.y() - a.y() * b.x(); };
    const QPointF d = point - anchor;
    const double along = cross(d, across) / cross(step, across);
    const double sideways = cross(step, d) / cross(step, across);
    if (!(std::abs(sideways) <= 48) || !(along >= -0.5 && along <= 9)) {
        return -1; // outside the band, or not a number
    }
    const double nearest = std::round(along);
    return nearest < 0 ? 0 : static_cast<int>(std::min(nearest, 7.0));
}

} // namespace ostrel
