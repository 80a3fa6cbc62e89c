#pragma once

#include "platform/OverlayPanel.h"
#include "platform/RestoredWindowFlashRegion.h"

#include <QColor>
#include <QImage>

namespace ostrel {

// The flash panel over one restored window: a soft glow along the inside of the window's edge in
// the highlight colour, drawn only where the window is not covered by others.
class RestoredWindowFlashView : public OverlayPanel {
    Q_OBJECT

public:
    static constexpr double cornerRadius = 16;

    // The region is observed: the view redraws when it changes. It must outlive the view.
    RestoredWindowFlashView(RestoredWindowFlashRegion *region, QColor accent, Compositing *compositing);

    RestoredWindowFlashRegion *region() const { return region_; }
    QColor accent() const { return accent_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    QRegion paintedShape() const override;

private:
    // The glow for the current size, drawn once per size.
    const QImage &glow();

    RestoredWindowFlashRegion *region_;
    QColor accent_;
    QImage glow_;
};

} // namespace ostrel
