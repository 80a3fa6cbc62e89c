#pragma once

#include "ui/illustrations/DrawerSimulation.h"
#include "ui/illustrations/HairlineCanvas.h"

namespace ostrel {

// A three-drawer filing cabinet holding saved-layout cards: on its own it pulls out one drawer
// after another; under the pointer it pulls out the drawer beneath it.
class HairlineDrawerCanvas : public HairlineCanvas {
    Q_OBJECT

public:
    explicit HairlineDrawerCanvas(QWidget *parent = nullptr);

    using HairlineCanvas::setShowsReadout;
    using HairlineCanvas::showsReadout;

    const DrawerSimulation &simulation() const { return simulation_; }

    QString readout() const override { return simulation_.readout(); }
    void paintDrawing(QPainter &painter, QSizeF size) const override;

protected:
    bool runCondition() const override;
    bool checksRunConditionFirst() const override { return false; }
    bool hovering() const override { return simulation_.isHovering; }
    void rewind() override;
    void settle() override { simulation_.settle(); }
    void appeared() override;
    void intensityChanged() override;
    void hoveredAt(QPointF local, QSizeF size) override;
    // The intensity of now, not the one the loop started with: a change while the tour runs
    // reaches its next frame.
    void frame(double dt, double) override { simulation_.tick(dt, intensity()); }

private:
    DrawerSimulation simulation_;
};

} // namespace ostrel
