#pragma once

#include "ui/illustrations/KeyboardGeometry.h"
#include "ui/illustrations/KeyboardTour.h"

#include <QRectF>
#include <QString>

#include <optional>

class QPainter;
class QColor;
class QSizeF;

namespace ostrel {

// The keys on damped springs: each key sinks towards a target set by the pointer (the user's or
// the tour's) with a falloff around the key beneath it; with no pointer the enter key is pressed.
struct KeyboardSimulation {
    KeyboardGeometry geometry;
    QList<double> heights;
    QList<double> velocities;
    QList<double> targets;
    QList<KeyboardGeometry::Solid> shapes;
    std::optional<QPointF> pointer;
    int selected = 0;
    bool isHovering = false;
    KeyboardTour tour;

    explicit KeyboardSimulation(HairlineKeyboardCamera camera);

    // The press radius around the pointer's key, for an intensity clamped to [0, 1].
    static double pressRadius(double intensity);

    void retarget(double intensity);
    // Returns true while some key is still moving.
    bool tick(double dt, double intensity, bool autoplay);
    void settle();
    bool isMoving() const;
    QString readout() const;
    void draw(QPainter &painter, QSizeF size, bool dark, std::optional<QColor> surface,
              QRectF viewBox) const;
};

} // namespace ostrel
