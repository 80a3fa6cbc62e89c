#include "ui/illustrations/HairlineRiffleCanvas.h"

#include "ui/illustrations/HairlineFit.h"

namespace ostrel {

namespace {

QString identifierOf(HairlineRiffleStyle style)
{
    return style == HairlineRiffleStyle::windows ? QStringLiteral("hairline-riffle-canvas")
                                                 : QStringLiteral("hairline-riffle-cards-canvas");
}

QString labelOf(HairlineRiffleStyle style)
{
    return style == HairlineRiffleStyle::windows
        ? QStringLiteral("Riffle illustration: eight application windows in a rounded tray")
        : QStringLiteral("Riffle illustration: eight tabbed filing cards in a rounded tray");
}

} // namespace

HairlineRiffleCanvas::HairlineRiffleCanvas(HairlineRiffleStyle style, QWidget *parent)
    : HairlineCanvas(identifierOf(style), labelOf(style), parent)
    , simulation_(style)
{
}

void HairlineRiffleCanvas::paintDrawing(QPainter &painter, QSizeF size) const
{
    simulation_.draw(painter, size, dark(), surface());
}

bool HairlineRiffleCanvas::runCondition() const
{
    return (!reduceMotion() && !simulation_.isHovering) || simulation_.isMoving();
}

void HairlineRiffleCanvas::hoveredAt(QPointF local, QSizeF size)
{
    const HairlineFit fit = HairlineFit::of(size, HairlineFit::designBox());
    if (!fit.valid()) {
        return;
    }
    simulation_.isHovering = true;
    simulation_.select(simulation_.geometry.hit(fit.toDesign(local)), intensity());
    settleIfReduced();
}

QColor HairlineRiffleCanvas::readoutColor() const
{
    // The system's secondary text, not the drawing's own readout colour.
    return palette().color(QPalette::PlaceholderText);
}

void HairlineRiffleCanvas::rewind()
{
    simulation_.isHovering = false;
    simulation_.tourTime = 0;
    simulation_.select(-1, intensity());
}

} // namespace ostrel
