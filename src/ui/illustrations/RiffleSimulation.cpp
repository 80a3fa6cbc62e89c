#include "ui/illustrations/RiffleSimulation.h"

#include "ui/illustrations/HairlineFit.h"
#include "ui/illustrations/HairlinePalette.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ostrel {

namespace {

constexpr double restAngle = -12;
constexpr double punchRadius = 1.05;

const RiffleGeometry &geometryFor(HairlineRiffleStyle style)
{
    return style == HairlineRiffleStyle::cards ? RiffleGeometry::cards() : RiffleGeometry::scene();
}

} // namespace

RiffleSimulation::RiffleSimulation(HairlineRiffleStyle style)
    : geometry(geometryFor(style))
    , style(style)
{
    for (int i = 0; i < 8; ++i) {
        angles[i] = {restAngle, restAngle, 0};
        lifts[i] = {0, 0, 0};
        shapes[i] = geometry.window(i, restAngle, 0);
    }
}

int RiffleSimulation::tourItem(double tourTime)
{
    return hairlineTourPick(tourTime, 5, 3, 0);
}

double RiffleSimulation::step(double intensity)
{
    // Beyond [0, 1] the stagger would turn negative or grow without bound.
    const double i = std::isnan(intensity) ? 0 : std::clamp(intensity, 0.0, 1.0);
    const double milliseconds = i <= 0.5 ? 30 + 20 * i : 40 + 40 * (i - 0.5);
    return milliseconds / 1000;
}

void RiffleSimulation::select(int index, double intensity)
{
    if (index == selected) {
        return;
    }
    const int anchor = index >= 0 ? index : selected;
    selected = index;
    const double delayStep = step(intensity);
    for (int i = 0; i < 8; ++i) {
        double angle = restAngle;
        double lift = 0;
        if (index >= 0) {
            angle = i < index ? -24 : i == index ? 0 : 20;
            lift = i == index ? 16 : 0;
        }
        const double start = time + std::abs(i - anchor) * delayStep;
        if (angles[i].target != angle) {
            angles[i] = {angles[i].value(time), angle, start};
        }
        if (lifts[i].target != lift) {
            lifts[i] = {lifts[i].value(time), lift, start};
        }
    }
}

void RiffleSimulation::tick(double dt, double intensity)
{
    const double previous = time;
    time += dt;
    if (!isHovering) {
        tourTime = std::fmod(tourTime + dt, tourLength);
        select(tourItem(tourTime), intensity);
    }
    for (int i = 0; i < 8; ++i) {
        const double angle = angles[i].value(time);
        const double lift = lifts[i].value(time);
        if (angle != angles[i].value(previous) || lift != lifts[i].value(previous)) {
            shapes[i] = geometry.window(i, angle, lift);
        }
    }
}

void RiffleSimulation::settle()
{
    for (int i = 0; i < 8; ++i) {
        angles[i].from = angles[i].target;
        lifts[i].from = lifts[i].target;
        shapes[i] = geometry.window(i, angles[i].target, lifts[i].target);
    }
}

bool RiffleSimulation::isMoving() const
{
    return anyInFlight(time, angles, lifts);
}

QString RiffleSimulation::readout() const
{
    if (selected < 0) {
        return QStringLiteral("rest");
    }
    const QString number = QStringLiteral("%1").arg(8 - selected, 2, 10, QLatin1Char('0'));
    return style == HairlineRiffleStyle::windows ? QStringLiteral("window ") + number : number;
}

void RiffleSimulation::draw(QPainter &painter, QSizeF size, bool dark,
                            std::optional<QColor> surface) const
{
    const HairlineFit fit = HairlineFit::of(size, HairlineFit::designBox());
    if (!fit.valid()) {
        return;
    }
    fit.apply(painter);
    const HairlinePalette colors = HairlinePalette::forAppearance(dark, surface);
    const auto paint = [&](const RiffleGeometry::Mark &mark, bool emphasised = false) {
        if (mark.filled) {
            painter.fillPath(mark.path, colors.surface);
        }
        if (mark.weight < 0) {
            return;
        }
        const QColor &stroke = emphasised ? colors.ink
            : mark.weight == 0            ? colors.faint
                                          : colors.dim;
        painter.strokePath(mark.path, hairlinePen(stroke, fit.scale));
    };
    for (const auto &mark : geometry.far) {
        paint(mark);
    }
    const bool cards = style == HairlineRiffleStyle::cards;
    const int emphasised = selected >= 0 ? selected : cards ? 7 : 3;
    for (int i = 0; i < 8; ++i) {
        const RiffleGeometry::Window &item = shapes[i];
        paint(item.back);
        paint(item.face, i == emphasised);
        paint(item.header, cards && i == selected);
        paint(item.panes);
        paint(item.controls);
        for (qsizetype j = 0; j < item.punches.size(); ++j) {
            // The item's own punch, the one matching its number, stands out.
            const QColor &fill = j != 7 - i ? colors.faint
                : i == selected             ? colors.ink
                                            : colors.dim;
            QPainterPath dot;
            dot.addEllipse(item.punches[j], punchRadius, punchRadius);
            painter.fillPath(dot, fill);
        }
    }
    for (const auto &mark : geometry.near) {
        paint(mark);
    }
}

} // namespace ostrel
