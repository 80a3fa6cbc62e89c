#pragma once

#include "ui/illustrations/HairlineCanvas.h"
#include "ui/illustrations/KeyboardSimulation.h"

#include <QRectF>

namespace ostrel {

// Sixty sculpted keys on a floating base that sink on springs under the pointer, or under an
// autoplay pointer that visits three keys in turn.
class HairlineKeyboardCanvas : public HairlineCanvas
{
    Q_OBJECT

public:
    explicit HairlineKeyboardCanvas(HairlineKeyboardCamera camera = HairlineKeyboardCamera::isometric,
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
    void appeared() override {}
    void disappeared() override { rest(); }
    void intensityChanged() override { simulation_.retarget(intensity()); }
    void becameInactive() override;
    void reduceMotionTurnedOn() override { rest(); }
    void hoveredAt(QPointF local, QSizeF size) override;
    void hoverLeft() override { rest(); }
    void settle() override { simulation_.settle(); }
    void frame(double dt, double intensity) override;

private:
    // No pointer, the tour back at its start, the rest pose as the target.
    void rest();

    KeyboardSimulation simulation_;
    bool autoplay_ = true;
    QRectF viewBox_{0, 0, 400, 320};
};

} // namespace ostrel
