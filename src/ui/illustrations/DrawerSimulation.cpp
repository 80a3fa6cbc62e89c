#include "ui/illustrations/DrawerSimulation.h"

#include "ui/illustrations/HairlineFit.h"
#include "ui/illustrations/HairlinePalette.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrel {

DrawerSimulation::DrawerSimulation()
{
    openings = {DrawerTween{0, 0, 0}, DrawerTween{15.4, 15.4, 0}, DrawerTween{0, 0, 0}};
    for (int i = 0; i < 3; ++i) {
        shapes[i] = geometry.drawer(i, openings[i].target);
    }
}

double DrawerSimulation::distance(double intensity)
{
    const double t = std::isnan(intensity) ? 0 : std::clamp(intensity, 0.0, 1.0);
    return t <= 0.5 ? 12 + 20 * t : 22 + 24 * (t - 0.5);
}

int DrawerSimulation::tourSelection(double tourTime)
{
    return hairlineTourPick(tourTime, 1, 0, 2);
}

void DrawerSimulation::update(double intensity)
{
    const int open = selected < 0 ? 1 : selected;
    // The resting middle drawer stands out less than a chosen one.
    const double out = distance(intensity) * (selected < 0 ? 0.7 : 1.0);
    for (int i = 0; i < 3; ++i) {
        const double target = i == open ? out : 0;
        DrawerTween &tween = openings[i];
        if (target != tween.target) {
            tween = {tween.value(time), target, time};
        }
    }
}

void DrawerSimulation::settle()
{
    for (int i = 0; i < 3; ++i) {
        openings[i].from = openings[i].target;
        shapes[i] = geometry.drawer(i, openings[i].target);
    }
}

void DrawerSimulation::tick(double dt, double intensity)
{
    const double previous = time;
    time += dt;
    if (!isHovering) {
        tourTime = std::fmod(tourTime + dt, tourLength);
        selected = tourSelection(tourTime);
        update(intensity);
    }
    for (int i = 0; i < 3; ++i) {
        const double now = openings[i].value(time);
        if (now != openings[i].value(previous)) {
            shapes[i] = geometry.drawer(i, now);
        }
    }
}

void DrawerSimulation::draw(QPainter &painter, QSizeF size, bool dark,
                            std::optional<QColor> surface) const
{
    const HairlineFit fit = HairlineFit::of(size, HairlineFit::designBox());
    if (!fit.valid()) {
        return;
    }
    fit.apply(painter);
    const HairlinePalette colors = HairlinePalette::forAppearance(dark, surface);
    const auto paint = [&](const DrawerGeometry::Mark &mark, const QColor *stroke = nullptr) {
        if (mark.filled) {
            painter.fillPath(mark.path, colors.surface);
        }
        painter.strokePath(
            mark.path,
            hairlinePen(stroke ? *stroke : (mark.dim ? colors.faint : colors.dim), fit.scale));
    };
    for (const auto &mark : geometry.cabinet) {
        paint(mark);
    }
    const int highlighted = selected < 0 ? 1 : selected;
    for (int i = 0; i < 3; ++i) {
        const DrawerGeometry::Drawer &drawer = shapes[i];
        for (const auto &mark : drawer.interior) {
            paint(mark);
        }
        paint(drawer.face, i == highlighted ? &colors.ink : nullptr);
        paint(drawer.crease);
        paint(drawer.pull);
        paint(drawer.pullCrease);
    }
}

QString DrawerSimulation::readout() const
{
    if (selected < 0) {
        return QStringLiteral("rest");
    }
    return QStringLiteral("drawer %1 \u00B7 3").arg(3 - selected);
}

} // namespace ostrel
