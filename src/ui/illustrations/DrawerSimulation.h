#pragma once

#include "ui/illustrations/DrawerGeometry.h"
#include "ui/illustrations/HairlineTween.h"

#include <QString>

#include <array>
#include <optional>

class QPainter;
class QColor;
class QSizeF;

namespace ostrel {

using DrawerTween = HairlineTween;

// The cabinet's animation: how far each drawer stands out, the tour that pulls out one drawer
// after another, and the drawer under the pointer.
struct DrawerSimulation {
    static constexpr double tourLength = 9.3;

    DrawerGeometry geometry = DrawerGeometry::scene();
    std::array<DrawerTween, 3> openings;
    std::array<DrawerGeometry::Drawer, 3> shapes;
    double time = 0;
    double tourTime = 0;
    int selected = -1;
    bool isHovering = false;

    DrawerSimulation();

    // The full pull-out distance for an intensity, which is clamped to [0, 1].
    static double distance(double intensity);
    // The drawer the tour selects at a position in its cycle (−1: the middle one at rest).
    static int tourSelection(double tourTime);

    void update(double intensity);
    void settle();
    void tick(double dt, double intensity);
    void draw(QPainter &painter, QSizeF size, bool dark, std::optional<QColor> surface) const;
    QString readout() const;
};

} // namespace ostrel
