#include "ui/illustrations/HairlineKeyboardCanvas.h"

#include "ui/illustrations/HairlineFit.h"

namespace ostrel {

HairlineKeyboardCanvas::HairlineKeyboardCanvas(HairlineKeyboardCamera camera, QWidget *parent)
    : HairlineCanvas(
        QStringLiteral("hairline-keyboard-canvas"),
        QStringLiteral("Keyboard illustration: sixty sculpted keys on a floating base"), parent)
    , simulation_(camera)
{
}

void HairlineKeyboardCanvas::setAutoplay(bool autoplay)
{
    if (autoplay != autoplay_) {
        autoplay_ = autoplay;
        simulationChanged();
    }
}

void HairlineKeyboardCanvas::setViewBox(QRectF box)
{
    if (box != viewBox_) {
        viewBox_ = box;
        simulationChanged();
    }
}

void HairlineKeyboardCanvas::paintDrawing(QPainter &painter, QSizeF size) const
{
    simulation_.draw(painter, size, dark(), surface(), viewBox_);
}

bool HairlineKeyboardCanvas::runCondition() const
{
    return (autoplay_ && !reduceMotion() && !simulation_.isHovering) || simulation_.isMoving();
}

void HairlineKeyboardCanvas::hoveredAt(QPointF local, QSizeF size)
{
    // A view box without area would make the scale infinite and the pointer not a number.
    const HairlineFit fit = HairlineFit::of(size, viewBox_);
    if (!fit.valid()) {
        return;
    }
    simulation_.isHovering = true;
    simulation_.pointer = fit.toDesign(local);
    simulation_.retarget(intensity());
}

void HairlineKeyboardCanvas::frame(double dt, double intensity)
{
    simulation_.tick(dt, intensity, autoplay_);
}

void HairlineKeyboardCanvas::rewind()
{
    simulation_.pointer.reset();
    simulation_.isHovering = false;
    simulation_.tour = KeyboardTour{};
    simulation_.retarget(0.5);
}

} // namespace ostrel
