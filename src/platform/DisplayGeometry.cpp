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

std::optional<CurrentDisplay> displayFor(const RectD &frame, const QList<CurrentDisplay> &displays,
                                         DisplayArea area)
{
    if (displays.isEmpty()) {
        return std::nullopt;
    }
    const auto rect = [area](const CurrentDisplay &d) -> const RectD & {
        return area == DisplayArea::visibleFrame ? d.visibleFrame : d.frame;
    };
    qsizetype best = 0;
    double bestArea = overlapArea(frame, rect(displays[0]));
    for (qsizetype i = 1; i < displays.size(); ++i) {
        const double overlap = overlapArea(frame, rect(displays[i]));
        if (overlap > bestArea) {
            best = i;
            bestArea = overlap;
        }
    }
    if (bestArea > 0) {
        return displays[best];
    }
    const double cx = frame.x + frame.width / 2;
    const double cy = frame.y + frame.height / 2;
    best = 0;
    double bestDistance = distance(cx, cy, rect(displays[0]));
    for (qsizetype i = 1; i < displays.size(); ++i) {
        const double d = distance(cx, cy, rect(displays[i]));
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return displays[best];
}

} // namespace ostrel::DisplayGeometry
