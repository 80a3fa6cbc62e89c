#include "platform/DisplayGeometry.h"

#include <algorithm>
#include <cmath>

namespace ostrel::DisplayGeometry {

namespace {

constexpr double fullscreenTolerance = 3.0;

double overlapArea(const RectD &a, const RectD &b)
{
    const double width = std::max(0.0, std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x));
    const double height =
        std::max(0.0, std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y));
    return width * height;
}

double distance(double px, double py, const RectD &r)
{
    const double dx = std::max({r.x - px, 0.0, px - (r.x + r.width)});
    const double dy = std::max({r.y - py, 0.0, py - (r.y + r.height)});
    return std::hypot(dx, dy);
}

} // namespace

bool isFullscreen(const RectD &frame, const QList<CurrentDisplay> &displays)
{
    return std::any_of(displays.begin(), displays.end(), [&frame](const CurrentDisplay &d) {
        return frame.isApproximatelyEqual(d.frame, fullscreenTolerance);
    });
}

std::optional<CurrentDisplay> displayFor(const RectD &frame, const QList<CurrentDisplay> &displays)
{
    if (displays.isEmpty()) {
        return std::nullopt;
    }
    qsizetype best = 0;
    double bestArea = overlapArea(frame, displays[0].frame);
    for (qsizetype i = 1; i < displays.size(); ++i) {
        const double area = overlapArea(frame, displays[i].frame);
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (bestArea > 0) {
        return displays[best];
    }
    const double cx = frame.x + frame.width / 2;
    const double cy = frame.y + frame.height / 2;
    best = 0;
    double bestDistance = distance(cx, cy, displays[0].frame);
    for (qsizetype i = 1; i < displays.size(); ++i) {
        const double d = distance(cx, cy, displays[i].frame);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return displays[best];
}

} // namespace ostrel::DisplayGeometry
