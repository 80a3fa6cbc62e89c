#pragma once

#include "ui/illustrations/HairlineGeometry.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>

namespace ostrel {

// What the tray holds: application windows or tabbed filing cards.
enum class HairlineRiffleStyle { windows, cards };

// A rounded tray seen obliquely from above, with eight flat items standing in it one behind
// the other (item 0 at the back, item 7 at the front), projected into the 400 × 320 design box.
class RiffleGeometry {
public:
    struct Mark {
        QPainterPath path;
        int weight = 0; // −1 never stroked, 0 the lighter tone, 1 the stronger one
        bool filled = false;
    };

    // The marks of one item, in drawing order.
    struct Window {
        Mark back;
        Mark face;
        Mark header;
        Mark panes;
        Mark controls;
        QList<QPointF> punches; // a card's eight punch positions; none for windows
    };

    explicit RiffleGeometry(HairlineRiffleStyle style);

    // The shared geometries of each style, built on first use.
    static const RiffleGeometry &scene();
    static const RiffleGeometry &cards();

    QList<Mark> far;  // the tray behind the items
    QList<Mark> near; // the tray in front of them
    HairlineRiffleStyle style;
    QPointF offset;
    QList<HairlineGeometry::Sample> outline; // a window's outline in its own plane

    QPointF project(double x, double y, double z) const;

    // Item `index` tilted by `angle` degrees (positive leans its top to the front) and raised
    // by `lift`.
    Window window(int index, double angle, double lift) const;

    // The item whose resting top lies under a design-box point, or −1.
    int hit(QPointF point) const;
};

} // namespace ostrel
