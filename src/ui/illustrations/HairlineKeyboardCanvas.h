#pragma once

#include "ui/illustrations/HairlineCanvas.h"
#include "ui/illustrations/KeyboardSimulation.h"

#include <QRectF>

namespace ostrel {

// Sixty sculpted keys on a floating base that sink on springs under the pointer, or under an
// autoplay pointer that visits three keys in turn.
class HairlineKeyboardCanvas : public HairlineCanvas {
    Q_OBJECT

public:
    explicit HairlineKeyboardCanvas(
        HairlineKeyboardCamera camera = HairlineKeyboardCamera::isometric,
        QWidget *parent = nullptr);

    bool autoplay() const { return autoplay_; }
    void setAutoplay(bool autoplay);

    // The region of design coordinates fitted into the view.
    QRectF viewBox() const { return viewBox_; }
    void setViewBox(QRectF box);

    const KeyboardSimulation &simulation() const { return simulation_; }

    QString readout() const override { return simulation_.readout(); }
    void paintDrawing(QPainter &painter, QSizeF size) const override;

protected:
    bool runCondition() const override;
    bool checksRunConditionFirst() const override { return true; }
    bool restartsWithIntensity() const override { return true; }
    bool hovering() const override { return simulation_.isHovering; }
    // No pointer, the tour back at its start, the rest pose as the target.
    void rewind() override;
    void settle() override { simulation_.settle(); }
    void appeared() override {}
    void intensityChanged() override { simulation_.retarget(intensity()); }
    void hoveredAt(QPointF local, QSizeF size) override;
    void frame(double dt, double intensity) override;
    // No settling here: a change of targets restarts the loop, which settles under reduced motion.
    void reduceMotionTurnedOn() override { rewind(); }
    void hoverLeft() override { rewind(); }
    bool showsReadoutOverlay() const override { return false; }

private:
    KeyboardSimulation simulation_;
    bool autoplay_ = true;
    QRectF viewBox_{0, 0, 400, 320};
};

} // namespace ostrel
