#pragma once

#include "ui/illustrations/HairlineCanvas.h"
#include "ui/illustrations/RiffleSimulation.h"

namespace ostrel {

// A rounded tray of eight application windows or tabbed filing cards that riffles open at the
// toured item or at the one under the pointer.
class HairlineRiffleCanvas : public HairlineCanvas {
    Q_OBJECT

public:
    explicit HairlineRiffleCanvas(HairlineRiffleStyle style = HairlineRiffleStyle::windows,
                                  QWidget *parent = nullptr);

    HairlineRiffleStyle style() const { return simulation_.style; }

    using HairlineCanvas::setShowsReadout;
    using HairlineCanvas::showsReadout;

    const RiffleSimulation &simulation() const { return simulation_; }

    QString readout() const override { return simulation_.readout(); }
    void paintDrawing(QPainter &painter, QSizeF size) const override;

protected:
    bool runCondition() const override;
    bool checksRunConditionFirst() const override { return true; }
    bool hovering() const override { return simulation_.isHovering; }
    void rewind() override;
    void settle() override { simulation_.settle(); }
    // Made at rest, and an intensity only sets the stagger of the next pick.
    void appeared() override {}
    void intensityChanged() override {}
    void hoveredAt(QPointF local, QSizeF size) override;
    void frame(double dt, double intensity) override { simulation_.tick(dt, intensity); }
    QColor readoutColor() const override;

private:
    RiffleSimulation simulation_;
};

} // namespace ostrel
