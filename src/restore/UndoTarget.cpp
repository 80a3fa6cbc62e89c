#include "restore/UndoTarget.h"

#include "model/RelativeFrame.h"
#include "restore/RestoreGeometry.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

using namespace RestoreGeometry;

namespace {

double overlapArea(const RectD &a, const RectD &b)
{
    const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return std::max(0.0, w) * std::max(0.0, h);
}

double distanceToInterval(double value, double low, double high)
{
    if (value < low) {
        return low - value;
    }
    if (value > high) {
        return value - high;
    }
    return 0.0;
}

} // namespace

std::optional<CurrentDisplay> displayForFrame(const RectD &frame,
                                              const QList<CurrentDisplay> &displays)
{
    if (displays.isEmpty()) {
        return std::nullopt;
    }
    qsizetype best = 0;
    double bestArea = overlapArea(frame, displays[0].visibleFrame);
    for (qsizetype i = 1; i < displays.size(); ++i) {
        const double area = overlapArea(frame, displays[i].visibleFrame);
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (bestArea > 0) {
        return displays[best];
    }

    const double cx = frame.x + frame.width * 0.5;
    const double cy = frame.y + frame.height * 0.5;
    const auto distance = [cx, cy](const RectD &v) {
        const double dx = distanceToInterval(cx, v.x, v.x + v.width);
        const double dy = distanceToInterval(cy, v.y, v.y + v.height);
        return std::sqrt(dx * dx + dy * dy);
    };
    best = 0;
    double bestDistance = distance(displays[0].visibleFrame);
    for (qsizetype i = 1; i < displays.size(); ++i) {
        const double d = distance(displays[i].visibleFrame);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return displays[best];
}

std::optional<UndoTarget> UndoTarget::forWindow(const UndoWindow &window,
                                                const QList<CurrentDisplay> &displays)
{
    if (displays.isEmpty()) {
        return std::nullopt;
    }
    const auto nearestToReference = [&]() {
        return displayForFrame(window.reference.frame, displays).value_or(displays.first());
    };

    if (!window.displayKey || !window.displayVisibleFrame
        || !window.displayVisibleFrame->isUsableFrame()) {
        const CurrentDisplay display = nearestToReference();
        return UndoTarget{
            window.previousFrame.clamped(display.visibleFrame, minimumWidth, minimumHeight),
            std::nullopt};
    }

    const auto found = std::find_if(displays.begin(), displays.end(), [&](const CurrentDisplay &d) {
        return d.identity.key() == *window.displayKey;
    });
    if (found == displays.end()) {
        const CurrentDisplay display = nearestToReference();
        return UndoTarget{
            window.previousFrame.clamped(display.visibleFrame, minimumWidth, minimumHeight),
            QStringLiteral("Original display missing. Placed on ") + display.name
                + QStringLiteral(".")};
    }
    if (found->visibleFrame.isApproximatelyEqual(*window.displayVisibleFrame,
                                                 unchangedDisplayTolerance)) {
        return UndoTarget{window.previousFrame, std::nullopt};
    }
    const RelativeFrame relative =
        RelativeFrame::fromFrame(window.previousFrame, *window.displayVisibleFrame);
    return UndoTarget{relative.absolute(found->visibleFrame)
                          .clamped(found->visibleFrame, minimumWidth, minimumHeight),
                      QStringLiteral("Adjusted to fit this display.")};
}

} // namespace ostrel
