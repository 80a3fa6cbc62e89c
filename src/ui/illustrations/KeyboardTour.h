#pragma once

#include <QList>
#include <QPointF>

#include <optional>

namespace ostrel {

// The autoplay pointer: it appears on the first stop, glides from stop to stop along the ease,
// dwells on each, then leaves the board for a while and starts over.
struct KeyboardTour {
    static constexpr double leg = 0.9;
    static constexpr double dwell = 1.2;
    static constexpr double absence = 1.8;

    int index = 0;        // the stop the leg heads for; while dwelling, the one after
    double wait = dwell;  // time left in the dwell or the absence
    double travel = -1.0; // time into the leg; negative before a leg begins
    QPointF origin;
    std::optional<QPointF> at;

    // The tour's pointer after `dt` more seconds.
    std::optional<QPointF> advance(double dt, const QList<QPointF> &stops);

    friend bool operator==(const KeyboardTour &, const KeyboardTour &) = default;
};

} // namespace ostrel
