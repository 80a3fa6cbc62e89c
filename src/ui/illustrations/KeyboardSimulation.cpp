#include "ui/illustrations/KeyboardSimulation.h"

#include "ui/illustrations/HairlineFit.h"
#include "ui/illustrations/HairlinePalette.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr double stiffness = 100;
constexpr double damping = 18;
constexpr double substepsPerSecond = 240;
constexpr double snapDistance = 0.02;
constexpr double snapSpeed = 0.2;

} // namespace

KeyboardSimulation::KeyboardSimulation(HairlineKeyboardCamera camera)
    : geometry(KeyboardGeometry::of(camera))
{
    for (const auto &key : geometry.keys) {
        heights.push_back(key.height);
        velocities.push_back(0);
        shapes.push_back(geometry.shape(key, key.height));
    }
    targets = heights;
    selected = geometry.enter;
    retarget(0.5);
    settle();
}

double KeyboardSimulation::pressRadius(double intensity)
{
    // At or below −0.5 the radius would not be positive and the springs would never rest.
    const double i = std::isnan(intensity) ? 0 : std::clamp(intensity, 0.0, 1.0);
    const double factor = i <= 0.5 ? 2 * i + 1 : 3 * (i - 0.5) + 2;
    return 14 * factor;
}

void KeyboardSimulation::retarget(double intensity)
{
    const std::optional<KeyboardGeometry::Hit> hit =
        pointer ? geometry.hit(*pointer) : std::nullopt;
    QPointF focus;
    double radius = 22.4;
    double depth = 4.8;
    if (hit) {
        selected = hit->index;
        focus = hit->at;
        radius = pressRadius(intensity);
        depth = 8.0;
    } else {
        selected = geometry.enter;
        const auto &enter = geometry.keys[geometry.enter];
        focus = QPointF((enter.x0 + enter.x1) / 2, (enter.y0 + enter.y1) / 2);
    }
    for (qsizetype k = 0; k < geometry.keys.size(); ++k) {
        const auto &key = geometry.keys[k];
        const double dx = std::max({0.0, key.x0 - focus.x(), focus.x() - key.x1});
        const double dy = std::max({0.0, key.y0 - focus.y(), focus.y() - key.y1});
        const double weight =
            k == selected ? 1 : std::clamp(1 - std::hypot(dx, dy) / radius, 0.0, 1.0);
        targets[k] = key.height - weight * depth;
    }
}

bool KeyboardSimulation::tick(double dt, double intensity, bool autoplay)
{
    if (autoplay && !isHovering) {
        const std::optional<QPointF> p = tour.advance(dt, geometry.tourStops);
        if (p != pointer) {
            pointer = p;
            retarget(intensity);
        }
    }
    if (!(dt >= 0) || !std::isfinite(dt)) {
        dt = 0; // a step that is not a number never reaches the substep count
    }
    const int substeps = std::max(1, static_cast<int>(std::ceil(substepsPerSecond * dt)));
    const double h = dt / substeps;
    bool moving = false;
    for (qsizetype i = 0; i < heights.size(); ++i) {
        const double before = heights[i];
        double height = heights[i];
        double velocity = velocities[i];
        for (int n = 0; n < substeps; ++n) {
            velocity += h * (-stiffness * (height - targets[i]) - damping * velocity);
            height += h * velocity;
        }
        if (std::abs(height - targets[i]) < snapDistance && std::abs(velocity) < snapSpeed) {
            height = targets[i];
            velocity = 0;
        } else {
            moving = true;
        }
        heights[i] = height;
        velocities[i] = velocity;
        if (height != before) {
            shapes[i] = geometry.shape(geometry.keys[i], height);
        }
    }
    return moving;
}

void KeyboardSimulation::settle()
{
    heights = targets;
    velocities = QList<double>(targets.size(), 0.0);
    for (qsizetype i = 0; i < heights.size(); ++i) {
        shapes[i] = geometry.shape(geometry.keys[i], heights[i]);
    }
}

bool KeyboardSimulation::isMoving() const
{
    for (qsizetype i = 0; i < heights.size(); ++i) {
        if (heights[i] != targets[i] || velocities[i] != 0) {
            return true;
        }
    }
    return false;
}

QString KeyboardSimulation::readout() const
{
    if (!pointer) {
        return QStringLiteral("Rest");
    }
    return (isHovering ? QStringLiteral("Hover") : QStringLiteral("Autoplay"))
        + QStringLiteral(" \u00B7 ") + geometry.keys[selected].name;
}

void KeyboardSimulation::draw(QPainter &painter, QSizeF size, bool dark,
                              std::optional<QColor> surface, QRectF viewBox) const
{
    const HairlineFit fit = HairlineFit::of(size, viewBox);
    if (!fit.valid()) {
        return;
    }
    fit.apply(painter);
    const HairlinePalette colors = HairlinePalette::forAppearance(dark, surface);
    const QPen faint = hairlinePen(colors.faint, fit.scale);
    const auto paint = [&](const KeyboardGeometry::Solid &solid, const QColor &outline) {
        painter.fillPath(solid.silhouette, colors.surface);
        painter.strokePath(solid.silhouette, hairlinePen(outline, fit.scale));
        painter.strokePath(solid.crease, faint);
        painter.strokePath(solid.bump, faint);
    };
    paint(geometry.base, colors.dim);
    for (qsizetype i = 0; i < shapes.size(); ++i) {
        paint(shapes[i], i == selected ? colors.ink : colors.dim);
    }
}

} // namespace ostrel
