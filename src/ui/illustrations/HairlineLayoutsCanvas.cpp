#include "ui/illustrations/HairlineLayoutsCanvas.h"

namespace ostrel {

HairlineLayoutsCanvas::HairlineLayoutsCanvas(QWidget *parent)
    : HairlineCanvas(QStringLiteral("hairline-layouts-canvas"),
                     QStringLiteral("Layouts illustration: three solid overlapping window layers "
                                    "with visible thickness; hover to lift one as its neighbours "
                                    "part"),
                     parent)
{
}

void HairlineLayoutsCanvas::setViewBox(std::optional<QRectF> box)
{
    if (box != viewBox_) {
        viewBox_ = box;
        simulationChanged();
    }
}

void HairlineLayoutsCanvas::paintDrawing(QPainter &painter, QSizeF size) const
{
    simulation_.draw(painter, size, dark(), surface(), viewBox_);
}

bool HairlineLayoutsCanvas::runCondition() const
{
    return (!reduceMotion() && !simulation_.isHovering) || simulation_.isMoving();
}

void HairlineLayoutsCanvas::rewind()
{
    simulation_.isHovering = false;
    simulation_.tourTime = 0;
    if (simulation_.selected != 2) {
        simulation_.selected = 2;
        simulation_.update(intensity(), 2);
    }
}

void HairlineLayoutsCanvas::appeared()
{
    simulation_.update(intensity());
    settleIfReduced();
}

void HairlineLayoutsCanvas::intensityChanged()
{
    simulation_.update(intensity());
    settleIfReduced();
}

void HairlineLayoutsCanvas::hoveredAt(QPointF local, QSizeF size)
{
    const auto fit = LayoutsSimulation::fit(size, viewBox_);
    if (!fit.valid()) {
        return;
    }
    simulation_.hover(fit.toDesign(local), intensity());
    settleIfReduced();
}

} // namespace ostrel
