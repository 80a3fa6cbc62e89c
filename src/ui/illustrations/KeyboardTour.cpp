#include "ui/illustrations/KeyboardTour.h"

#include "ui/illustrations/HairlineTween.h"

#include <algorithm>

namespace ostrel {

std::optional<QPointF> KeyboardTour::advance(double dt, const QList<QPointF> &stops)
{
    if (stops.isEmpty()) {
        return std::nullopt;
    }
    if (wait > 0) {
        wait = std::max(wait - dt, 0.0);
        return at;
    }
    if (index == stops.size()) {
        at.reset();
        index = 0;
        wait = absence;
        travel = -1;
        return std::nullopt;
    }
    const QPointF stop = stops[index];
    if (travel < 0) {
        origin = at.value_or(stop);
        travel = std::min(dt, leg);
    } else {
        travel = std::min(travel + dt, leg);
    }
    const double eased = hairlineEase(travel / leg);
    at = QPointF(origin.x() + (stop.x() - origin.x()) * eased,
                 origin.y() + (stop.y() - origin.y()) * eased);
    if (travel >= leg) {
        ++index;
        wait = dwell;
        travel = -1;
    }
    return at;
}

} // namespace ostrel
