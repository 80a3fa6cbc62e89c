#pragma once

#include "ui/illustrations/HairlineGeometry.h"

#include <QList>
#include <QPainterPath>
#include <QPointF>

#include <array>

namespace ostrel {

// The pose of one window layer: how far the stack is spread, and how far this layer is lifted
// out of it and straightened.
struct LayoutsPose {
    double amount = 0;
    double focus = 0;

    friend bool operator==(const LayoutsPose &, const LayoutsPose &) = default;
};

// Three window layers, flat rounded slabs with visible thickness, stacked above a floor grid
// and seen from above at an angle. Layer 0 is the back-most, layer 2 the nearest.
namespace LayoutsGeometry {

// The paths of one layer at one pose.
struct Pane {
    QPainterPath silhouette;
    QPainterPath crease;
    QPainterPath header;
    QPainterPath controls;
};

struct Constants {
    double ct;
    double st;
    QList<HairlineGeometry::Sample> ring;
    QList<HairlineGeometry::Sample> inner;
    double viewU;
    double viewV;
    QList<HairlineGeometry::Sample> front;
    std::array<QList<HairlineGeometry::Sample>, 3> controls;
    QPointF offset;
    QPainterPath grid;
    std::array<QPainterPath, 3> resting;
};

// Built once on first use.
const Constants &constants();

// A point (u, v) of layer `layer`'s own plane at depth `depth` (0 back face, 8 front face).
QPointF project(int layer, LayoutsPose pose, double u, double v, double depth);

Pane pane(int layer, LayoutsPose pose);

// The dashed guides between neighbouring layers and from the nearest layer down to the floor;
// reads the first three poses.
QPainterPath guides(const QList<LayoutsPose> &poses);

} // namespace LayoutsGeometry
} // namespace ostrel
