#pragma once

#include <QList>
#include <QPainterPath>
#include <QPointF>

#include <utility>

namespace ostrel {

// The three-drawer filing cabinet holding saved-layout cards: a few rounded boxes in a design
// space (x across, y from the back to the front at 60, z up), projected from above the front
// corner into the 400 × 320 design box. Drawers are 0, 1, 2 from the bottom up.
class DrawerGeometry {
public:
    struct Mark {
        QPainterPath path;
        bool dim = false;    // stroked in the weaker colour
        bool filled = false; // filled with the surface colour before it is stroked
    };

    // One drawer at one opening.
    struct Drawer {
        QList<Mark> interior; // what stands out of the cabinet, back to front
        Mark face;
        Mark crease;
        Mark pull;
        Mark pullCrease;
    };

    DrawerGeometry();

    // The one shared cabinet, built on first use.
    static const DrawerGeometry &scene();

    QList<Mark> cabinet; // the fixed marks, in drawing order
    QPointF offset;      // added to every projected point

    QPointF project(double x, double y, double z) const;

    // Drawer `index` pulled out by `opening` design units (below 0.05 it counts as closed).
    Drawer drawer(int index, double opening) const;

    // The drawer under a design-box point, the middle one taken pulled out by 0.7 × `pull`;
    // every point answers some drawer.
    int hit(QPointF point, double pull) const;

    // A rounded box lying flat: its silhouette (filled) and the crease just inside the rim of
    // its top face (dim).
    static std::pair<Mark, Mark> solid(double x0, double x1, double y0, double y1, double z0,
                                       double z1, double radius, double inset, QPointF offset);
};

} // namespace ostrel
