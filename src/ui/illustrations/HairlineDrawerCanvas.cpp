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

void HairlineDrawerCanvas::setShowsReadout(bool shows)
{
    if (shows != showsReadout_) {
        showsReadout_ = shows;
        update();
    }
}

void HairlineDrawerCanvas::paintDrawing(QPainter &painter, QSizeF size) const
{
    simulation_.draw(painter, size, dark(), surface());
}

bool HairlineDrawerCanvas::runCondition() const
{
    bool inFlight = false;
    for (const auto &tween : simulation_.openings) {
        inFlight = inFlight || tween.inFlight(simulation_.time);
    }
    return (!reduceMotion() && !simulation_.isHovering) || inFlight;
}

void HairlineDrawerCanvas::appeared()
{
    simulation_.update(intensity());
    settleUnderReducedMotion();
}

void HairlineDrawerCanvas::disappeared()
{
    rewind();
}

void HairlineDrawerCanvas::intensityChanged()
{
    simulation_.update(intensity());
    settleUnderReducedMotion();
}

void HairlineDrawerCanvas::becameInactive()
{
    if (simulation_.isHovering) {
        rewind();
    }
}

void HairlineDrawerCanvas::reduceMotionTurnedOn()
{
    rewind();
    simulation_.settle();
}

void HairlineDrawerCanvas::hoveredAt(QPointF local, QSizeF size)
{
    const HairlineFit fit = HairlineFit::of(size, HairlineFit::designBox());
    if (!fit.valid()) {
        return;
    }
    simulation_.isHovering = true;
    simulation_.selected = simulation_.geometry.hit(fit.toDesign(local),
                                                    DrawerSimulation::distance(intensity()));
    simulation_.update(intensity());
    settleUnderReducedMotion();
}

void HairlineDrawerCanvas::hoverLeft()
{
    rewind();
    settleUnderReducedMotion();
}

void HairlineDrawerCanvas::rewind()
{
    simulation_.isHovering = false;
    simulation_.tourTime = 0;
    simulation_.selected = -1;
    simulation_.update(intensity());
}

void HairlineDrawerCanvas::settleUnderReducedMotion()
{
    if (reduceMotion()) {
        simulation_.settle();
    }
}

} // namespace ostrel
