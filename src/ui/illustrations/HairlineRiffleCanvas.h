#pragma once

#include "ui/illustrations/HairlineCanvas.h"
#include "ui/illustrations/RiffleSimulation.h"

namespace ostrel {

// A rounded tray of eight application windows or tabbed filing cards that riffles open at the
// toured item or at the one under the pointer.
class HairlineRiffleCanvas : public HairlineCanvas
{
    Q_OBJECT

public:
    explicit HairlineRiffleCanvas(HairlineRiffleStyle style = HairlineRiffleStyle::windows,
                                  QWidget *parent = nullptr);

    HairlineRiffleStyle style() const { return simulation_.style; }

    bool showsReadout() const { return showsReadout_; }
    void setShowsReadout(bool shows);

    const RiffleSimulation &simulation() const { return simulation_; }

    QString readout() const override { return simulation_.readout(); }
    void paintDrawing(QPainter &painter, QSizeF size) const override;

protected:
    bool runCondition() const override;
    bool checksRunConditionFirst() const override { return true; }
    void appeared() override {}
    void disappeared() override;
    void intensityChanged() override {}
    void becameInactive() override;
    void reduceMotionTurnedOn() override;
    void hoveredAt(QPointF local, QSizeF size) override;
    void hoverLeft() override;
    void settle() override { simulation_.settle(); }
    void frame(double dt, double intensity) override { simulation_.tick(dt, intensity); }
    bool showsReadoutOverlay() const override { return showsReadout_; }
    QColor readoutColor() const override;

private:
    void rewind();
    void settleUnderReducedMotion();

    RiffleSimulation simulation_;
    bool showsReadout_ = false;
};

} // namespace ostrel
