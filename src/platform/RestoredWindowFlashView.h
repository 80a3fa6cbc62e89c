#pragma once

#include "platform/OverlayPanel.h"
#include "platform/RestoredWindowFlashGlow.h"
#include "platform/RestoredWindowFlashRegion.h"

#include <QColor>

namespace ostrel {

// The flash panel over one restored window: a soft glow along the inside of the window's edge in
// the highlight colour, drawn only where the window is not covered by others.
class RestoredWindowFlashView : public OverlayPanel {
    Q_OBJECT

public:
    // The window's own corners: X tells nothing of a rounded frame, and the windows it manages
    // are square; a rounder outline would leave their corners poking out.
    static constexpr double cornerRadius = 0;

    // The region is observed: the view redraws when it changes. It must outlive the view.
    // Without translucency the panel is cut to the rim along its edge and shows no glow.
    RestoredWindowFlashView(RestoredWindowFlashRegion *region, QColor accent, bool translucent);

    RestoredWindowFlashRegion *region() const { return region_; }
    QColor accent() const { return glow_.accent(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    QRegion paintedShape() const override;

private:
    static QRegion bandOf(QSize size);

    RestoredWindowFlashRegion *region_;
    RestoredWindowFlashGlow glow_;
    // The rim a panel without a compositor keeps, for the size it was cut for.
    mutable QRegion band_;
    mutable QSize bandSize_;
};

} // namespace ostrel
