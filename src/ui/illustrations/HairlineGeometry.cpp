#include "ui/illustrations/HairlineGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrel::HairlineGeometry {

namespace {

double cross(QPointF a, QPointF b, QPointF p)
{
    return (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
}

template <class It>
QList<QPointF> halfChain(It begin, It end)
{
    QList<QPointF> chain;
    for (It it = begin; it != end; ++it) {
        while (chain.size() >= 2 && cross(chain[chain.size() - 2], chain.back(), *it) <= 0) {
            chain.pop_back();
        }
        chain.push_back(*it);
    }
    if (!chain.isEmpty()) {
        chain.pop_back();
    }
    return chain;
}

} // namespace

QList<QPointF> hull(QList<QPointF> points)
{
    std::sort(points.begin(), points.end(), [](QPointF a, QPointF b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    QList<QPointF> result = halfChain(points.cbegin(), points.cend());
    result += halfChain(points.crbegin(), points.crend());
    return result;
}

QList<Sample> frontRun(const QList<Sample> &ring, double azimuth)
{
    const qsizetype count = ring.size();
    if (count == 0) {
        return {};
    }
    const double s = std::sin(azimuth);
    const double c = std::cos(azimuth);
    const auto faces = [&](qsizetype i) {
        const Sample &sample = ring[i];
        return sample.nu * s + sample.nv * c >= -0.000001;
    };
    qsizetype start = -1;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype previous = i == 0 ? count - 1 : i - 1;
        if (faces(i) && !faces(previous)) {
            start = i;
            break;
        }
    }
    if (start < 0) {
        return faces(0) ? ring : QList<Sample>{};
    }
    QList<Sample> run;
    for (qsizetype step = 0; step < count; ++step) {
        const qsizetype i = (start + step) % count;
        if (!faces(i)) {
            break;
        }
        run.push_back(ring[i]);
    }
    return run;
}

QPainterPath path(const QList<QPointF> &points, bool closed)
{
    QPainterPath result;
    result.setFillRule(Qt::WindingFill);
    if (points.isEmpty()) {
        return result;
    }
    result.moveTo(points.front());
    for (qsizetype i = 1; i < points.size(); ++i) {
        result.lineTo(points[i]);
    }
    if (closed) {
        result.closeSubpath();
    }
    return result;
}

QList<Sample> ringAround(double uLow, double uHigh, double vLow, double vHigh, double radius,
                         int perCorner)
{
    const QPointF centres[4] = {{uHigh, vHigh}, {uLow, vHigh}, {uLow, vLow}, {uHigh, vLow}};
    QList<Sample> samples;
    samples.reserve(4 * perCorner);
    for (int corner = 0; corner < 4; ++corner) {
        for (int j = 0; j < perCorner; ++j) {
            const double degrees = corner * 90.0 + j * 90.0 / (perCorner - 1);
            const double angle = degrees * std::numbers::pi / 180.0;
            const double nu = std::cos(angle);
            const double nv = std::sin(angle);
            samples.push_back(
                {centres[corner].x() + radius * nu, centres[corner].y() + radius * nv, nu, nv});
        }
    }
    return samples;
}

QList<Sample> ring(double a0, double a1, double b0, double b1, double radius, int perCorner)
{
    return ringAround(a0 + radius, a1 - radius, b0 + radius, b1 - radius, radius, perCorner);
}

void addTangentArc(QPainterPath &path, QPointF corner, QPointF next, double radius)
{
    const QPointF current = path.currentPosition();
    const QPointF toCurrent = current - corner;
    const QPointF toNext = next - corner;
    const double lengthCurrent = std::hypot(toCurrent.x(), toCurrent.y());
    const double lengthNext = std::hypot(toNext.x(), toNext.y());
    if (radius <= 0 || lengthCurrent == 0 || lengthNext == 0) {
        path.lineTo(corner);
        return;
    }
    const QPointF a = toCurrent / lengthCurrent;
    const QPointF b = toNext / lengthNext;
    const double cosine = std::clamp(a.x() * b.x() + a.y() * b.y(), -1.0, 1.0);
    const double half = std::acos(cosine) / 2; // half the angle between the two legs
    if (half <= 0 || half >= std::numbers::pi / 2) {
        path.lineTo(corner); // the legs are collinear: no circle touches both
        return;
    }
    const double reach = radius / std::tan(half);
    const QPointF first = corner + a * reach;
    const QPointF second = corner + b * reach;
    // The arc turns by π − 2·half; one cubic with handles 4/3·tan(turn/4)·r stays within
    // a hair of the circle for turns up to a half circle.
    const double turn = std::numbers::pi - 2 * half;
    const double handle = 4.0 / 3.0 * std::tan(turn / 4) * radius;
    path.lineTo(first);
    path.cubicTo(first - a * handle, second - b * handle, second);
}

} // namespace ostrel::HairlineGeometry
