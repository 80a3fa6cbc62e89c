#pragma once

#include "ui/illustrations/HairlineTween.h"
#include "ui/illustrations/LayoutsGeometry.h"

#include <QRectF>
#include <QString>

#include <array>
#include <optional>

class QPainter;
class QColor;
class QSizeF;

namespace ostrel {

using LayoutsTween = HairlineTween;

// The stacked layers' animation: a tour that lifts each layer in turn while the stack spreads,
// the layer under the pointer lifted instead, and movements that spread out from one layer.
struct LayoutsSimulation {
    static constexpr double tourLength = 8.4;
    // Where the drawing lands in a view: the box fitted, then mirrored left to right.
    struct Fit {
        double scale = 0;
        QPointF margin;
        QRectF box;
        bool valid() const { return scale > 0; }
        QPointF toDesign(QPointF local) const;
    };

    std::array<LayoutsTween, 3> amounts;
    std::array<LayoutsTween, 3> focuses;
    std::array<LayoutsPose, 3> drawn;
    std::array<LayoutsGeometry::Pane, 3> shapes;
    double time = 0;
    double tourTime = 0;
    int selected = 2;
    bool isHovering = false;

    LayoutsSimulation();

    static double liftScale(double intensity);
    static int tourLayer(double tourTime);
    static Fit fit(QSizeF size, std::optional<QRectF> viewBox);

    void update(double intensity, std::optional<int> origin = std::nullopt);
    void hover(QPointF point, double intensity);
    void settle();
    void redraw();
    // One frame: the clock, the tour unless hovering, the changed shapes.
    void advance(double dt, double intensity);
    bool isMoving() const;
    QString readout() const;
    void draw(QPainter &painter, QSizeF size, bool dark, std::optional<QColor> surface,
              std::optional<QRectF> viewBox) const;
};

} // namespace ostrel
