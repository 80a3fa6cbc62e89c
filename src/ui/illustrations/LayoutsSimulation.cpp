#include "ui/illustrations/LayoutsSimulation.h"

#include "ui/illustrations/HairlineFit.h"
#include "ui/illustrations/HairlinePalette.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ostrel {

QPointF LayoutsSimulation::Fit::toDesign(QPointF local) const
{
    return {400 - (box.x() + (local.x() - margin.x()) / scale),
            box.y() + (local.y() - margin.y()) / scale};
}

LayoutsSimulation::LayoutsSimulation()
{
    for (int i = 0; i < 3; ++i) {
        shapes[i] = LayoutsGeometry::pane(i, drawn[i]);
    }
}

double LayoutsSimulation::liftScale(double intensity)
{
    return intensity >= 0 ? 0.7 + 0.6 * std::min(intensity, 1.0) : 0.7;
}

int LayoutsSimulation::tourLayer(double tourTime)
{
    return tourTime < 2.4 ? 2 : tourTime < 4.8 ? 1 : 0;
}

LayoutsSimulation::Fit LayoutsSimulation::fit(QSizeF size, std::optional<QRectF> viewBox)
{
    const HairlineFit plain = HairlineFit::of(size, viewBox.value_or(HairlineFit::designBox()));
    return {plain.scale, plain.margin, plain.box};
}

void LayoutsSimulation::update(double intensity, std::optional<int> origin)
{
    const double lift = liftScale(intensity);
    const int from = origin.value_or(std::max(selected, 0));
    for (int i = 0; i < 3; ++i) {
        const double start = time + std::abs(i - from) * 0.04;
        const double amount = selected < 0 ? 0 : i == selected ? lift : 0.65 * lift;
        const double focus = i == selected ? 1 : 0;
        if (amounts[i].target != amount) {
            amounts[i] = {amounts[i].value(time), amount, start};
        }
        if (focuses[i].target != focus) {
            focuses[i] = {focuses[i].value(time), focus, start};
        }
    }
}

void LayoutsSimulation::hover(QPointF point, double intensity)
{
    isHovering = true;
    int hit = -1;
    for (int layer = 2; layer >= 0; --layer) {
        if (LayoutsGeometry::constants().resting[layer].contains(point)) {
            hit = layer;
            break;
        }
    }
    if (hit == selected) {
        return;
    }
    const int previous = selected;
    selected = hit;
    update(intensity, hit >= 0 ? hit : previous);
}

void LayoutsSimulation::settle()
{
    for (int i = 0; i < 3; ++i) {
        amounts[i].from = amounts[i].target;
        focuses[i].from = focuses[i].target;
    }
    redraw();
}

void LayoutsSimulation::redraw()
{
    for (int i = 0; i < 3; ++i) {
        const LayoutsPose pose{amounts[i].value(time), focuses[i].value(time)};
        if (pose == drawn[i]) {
            continue;
        }
        drawn[i] = pose;
        shapes[i] = LayoutsGeometry::pane(i, pose);
    }
}

void LayoutsSimulation::advance(double dt, double intensity)
{
    time += dt;
    if (!isHovering) {
        tourTime = std::fmod(tourTime + dt, tourLength);
        const int layer = tourLayer(tourTime);
        if (selected != layer) {
            selected = layer;
            update(intensity, layer);
        }
    }
    redraw();
}

bool LayoutsSimulation::isMoving() const
{
    return anyInFlight(time, amounts, focuses);
}

QString LayoutsSimulation::readout() const
{
    return selected >= 0 ? QStringLiteral("pane %1").arg(3 - selected) : QStringLiteral("rest");
}

void LayoutsSimulation::draw(QPainter &painter, QSizeF size, bool dark,
                             std::optional<QColor> surface, std::optional<QRectF> viewBox) const
{
    const Fit f = fit(size, viewBox);
    if (!f.valid()) {
        return;
    }
    painter.translate(f.margin);
    painter.scale(f.scale, f.scale);
    painter.translate(-f.box.x(), -f.box.y());
    painter.translate(400, 0);
    painter.scale(-1, 1);

    const HairlinePalette colors = HairlinePalette::forAppearance(dark, surface);
    const QPen faint = hairlinePen(colors.faint, f.scale);
    painter.strokePath(LayoutsGeometry::constants().grid, faint);
    painter.strokePath(LayoutsGeometry::guides({drawn.begin(), drawn.end()}),
                       hairlinePen(colors.faint, f.scale, 1, 3));
    const int emphasised = selected >= 0 ? selected : 2;
    for (int i = 0; i < 3; ++i) {
        painter.fillPath(shapes[i].silhouette, colors.surface);
        painter.strokePath(shapes[i].silhouette,
                           hairlinePen(i == emphasised ? colors.ink : colors.dim, f.scale));
        painter.strokePath(shapes[i].crease, faint);
        painter.strokePath(shapes[i].header, faint);
        painter.strokePath(shapes[i].controls, faint);
    }
}

} // namespace ostrel
