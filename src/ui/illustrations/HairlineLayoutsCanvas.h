#pragma once

#include "ui/illustrations/HairlineCanvas.h"
#include "ui/illustrations/LayoutsSimulation.h"

namespace ostrel {

// Three solid window layers stacked with visible thickness: on its own it lifts each layer in
// turn as the stack spreads; under the pointer it lifts the layer beneath it.
class HairlineLayoutsCanvas : public HairlineCanvas {
    Q_OBJECT

public:
    explicit HairlineLayoutsCanvas(QWidget *parent = nullptr);

    using HairlineCanvas::setShowsReadout;
    using HairlineCanvas::showsReadout;

    // The region of the mirrored design space fitted into the view; none: the whole box.
    std::optional<QRectF> viewBox() const { return viewBox_; }
    void setViewBox(std::optional<QRectF> box);

    const LayoutsSimulation &simulation() const { return simulation_; }

    QString readout() const override { return simulation_.readout(); }
    void paintDrawing(QPainter &painter, QSizeF size) const override;

protected:
    bool runCondition() const override;
    bool checksRunConditionFirst() const override { return false; }
    bool hovering() const override { return simulation_.isHovering; }
    // Back to touring from the front layer.
    void rewind() override;
    void settle() override { simulation_.settle(); }
    void appeared() override;
    void intensityChanged() override;
    void hoveredAt(QPointF local, QSizeF size) override;
    // The intensity of now, not the one the loop started with: a change while the tour runs
    // reaches its next frame.
    void frame(double dt, double) override { simulation_.advance(dt, intensity()); }

private:
    LayoutsSimulation simulation_;
    std::optional<QRectF> viewBox_;
};

} // namespace ostrel
