#include "ui/illustrations/HairlineDrawerCanvas.h"

#include "ui/illustrations/HairlineFit.h"

namespace ostrel {

HairlineDrawerCanvas::HairlineDrawerCanvas(QWidget *parent)
    : HairlineCanvas(QStringLiteral("hairline-drawer-canvas"),
                     QStringLiteral("Drawer illustration: three drawers in a filing cabinet "
                                    "holding saved-layout cards"),
                     parent)
{
}

void HairlineDrawerCanvas::paintDrawing(QPainter &painter, QSizeF size) const
{
    simulation_.draw(painter, size, dark(), surface());
}

bool HairlineDrawerCanvas::runCondition() const
{
    return (!reduceMotion() && !simulation_.isHovering)
        || anyInFlight(simulation_.time, simulation_.openings);
}

void HairlineDrawerCanvas::rewind()
{
    simulation_.isHovering = false;
    simulation_.tourTime = 0;
    simulation_.selected = -1;
    simulation_.update(intensity());
}

void HairlineDrawerCanvas::appeared()
{
    simulation_.update(intensity());
    settleIfReduced();
}

void HairlineDrawerCanvas::intensityChanged()
{
    simulation_.update(intensity());
    settleIfReduced();
}

void HairlineDrawerCanvas::hoveredAt(QPointF local, QSizeF size)
{
    const HairlineFit fit = HairlineFit::of(size, HairlineFit::designBox());
    if (!fit.valid()) {
        return;
    }
    simulation_.isHovering = true;
    simulation_.selected =
        simulation_.geometry.hit(fit.toDesign(local), DrawerSimulation::distance(intensity()));
    simulation_.update(intensity());
    settleIfReduced();
}

} // namespace ostrel
