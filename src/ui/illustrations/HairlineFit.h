#pragma once

#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace ostrel {

// How a rectangle of design coordinates is fitted into a view: scaled uniformly by the larger
// scale that fits, and centred, leaving equal margins on the longer side.
struct HairlineFit {
    double scale = 0;
    QPointF margin; // where the box's top left lands in the view
    QRectF box;

    // The fit of `box` into a view of `size`. Invalid (scale 0) when the view or the box has
    // no area, or the scale is not a finite positive number: such a view draws nothing and
    // ignores the pointer.
    static HairlineFit of(QSizeF size, QRectF box);

    // The 400 × 320 design box every illustration is drawn in.
    static QRectF designBox() { return {0, 0, 400, 320}; }

    bool valid() const { return scale > 0; }

    // Sets the painter's transform so that design coordinates map into the view.
    void apply(QPainter &painter) const;

    // A point of the view in design coordinates.
    QPointF toDesign(QPointF local) const;
};

// The hairline: 0.9 points wide on screen at any scale, round caps and joins. `dashOn` and
// `dashOff` are in points on screen; 0 gives a solid line.
QPen hairlinePen(const QColor &color, double scale, double dashOn = 0, double dashOff = 0);

} // namespace ostrel
