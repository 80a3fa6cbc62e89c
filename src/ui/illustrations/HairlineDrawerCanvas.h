#pragma once

#include "ui/illustrations/DrawerSimulation.h"
#include "ui/illustrations/HairlineCanvas.h"

namespace ostrel {

// A three-drawer filing cabinet holding saved-layout cards: on its own it pulls out one drawer
// after another; under the pointer it pulls out the drawer beneath it.
class HairlineDrawerCanvas : public HairlineCanvas
{
    Q_OBJECT

public:
    explicit HairlineDrawerCanvas(QWidget *parent = nullptr);

    bool showsReadout() const { return showsReadout_; }
    void setShowsReadout(bool shows);

    const DrawerSimulation &simulation() const { return simulation_; }

    QString readout() const override { return simulation_.readout(); }
    void paintDrawing(QPainter &painter, QSizeF size) const override;

protected:
    bool runCondition() const override;
    bool checksRunConditionFirst() const override { return false; }
    void appeared() override;
    void disappeared() override;
    void intensityChanged() override;
    void becameInactive() override;
    void reduceMotionTurnedOn() override;
    void hoveredAt(QPointF local, QSizeF size) override;
    void hoverLeft() override;
    void settle() override { simulation_.settle(); }
    void frame(double dt, double intensity) override { simulation_.tick(dt, intensity); }
    bool showsReadoutOverlay() const override { return showsReadout_; }

private:
    void rewind();
    void settleUnderReducedMotion();

    DrawerSimulation simulation_;
    bool showsReadout_ = false;
};

} // namespace ostrel
