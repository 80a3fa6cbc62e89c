#pragma once

#include <QList>
#include <QPainterPath>
#include <QPointF>

namespace ostrel::HairlineGeometry {

// One sample of a closed outline: a position in the outline's own plane and the outward
// normal there (not normalised by the operations below).
struct Sample {
    double u = 0;
    double v = 0;
    double nu = 0;
    double nv = 0;

    friend bool operator==(const Sample &, const Sample &) = default;
};

// The convex hull by Andrew's monotone chain: starts at the smallest point (x, then y),
// drops collinear and repeated points of a set that spans an area, repeats no point at the end.
QList<QPointF> hull(QList<QPointF> points);

// The first contiguous run of samples that face a viewer looking along (sin azimuth, cos azimuth);
// a normal exactly perpendicular to that direction counts as facing.
QList<Sample> frontRun(const QList<Sample> &ring, double azimuth);

// One polyline subpath through the points, closed on request; filled with the non-zero rule.
QPainterPath path(const QList<QPointF> &points, bool closed);

// A rounded-rectangle ring with the given corner centres: the corners at (uHigh, vHigh),
// (uLow, vHigh), (uLow, vLow), (uHigh, vLow) start at 0°, 90°, 180° and 270°, and each adds
// `perCorner` samples over its quarter turn, both ends included.
QList<Sample> ringAround(double uLow, double uHigh, double vLow, double vHigh, double radius,
                         int perCorner);

// The ring over [a0, a1] × [b0, b1] whose corners have the given radius.
QList<Sample> ring(double a0, double a1, double b0, double b1, double radius, int perCorner);

// A tangent arc as drawing APIs with "arc to point" know it: a line from the current point to
// where a circle of `radius` touches the segment towards `corner`, then the arc to where it
// touches the segment from `corner` to `next`, as cubic segments.
void addTangentArc(QPainterPath &path, QPointF corner, QPointF next, double radius);

} // namespace ostrel::HairlineGeometry
