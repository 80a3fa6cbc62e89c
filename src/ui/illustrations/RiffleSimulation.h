#pragma once

#include "ui/illustrations/HairlineTween.h"
#include "ui/illustrations/RiffleGeometry.h"

#include <QString>

#include <array>
#include <optional>

class QPainter;
class QColor;
class QSizeF;

namespace ostrel {

using RiffleTween = HairlineTween;

// The tray's animation: the picked item stands up and rises, those behind it lean back, those
// in front fall forward, the movement spreading out one item after another.
struct RiffleSimulation {
    static constexpr double tourLength = 9.3;

    RiffleGeometry geometry;
    HairlineRiffleStyle style;
    std::array<RiffleTween, 8> angles;
    std::array<RiffleTween, 8> lifts;
    std::array<RiffleGeometry::Window, 8> shapes;
    double time = 0;
    double tourTime = 0;
    int selected = -1;
    bool isHovering = false;

    explicit RiffleSimulation(HairlineRiffleStyle style);

    static int tourItem(double tourTime);
    // The delay between neighbouring items, in seconds, for an intensity clamped to [0, 1].
    static double step(double intensity);

    void select(int index, double intensity);
    void tick(double dt, double intensity);
    void settle();
    bool isMoving() const;
    QString readout() const;
    void draw(QPainter &painter, QSizeF size, bool dark, std::optional<QColor> surface) const;
};

} // namespace ostrel
