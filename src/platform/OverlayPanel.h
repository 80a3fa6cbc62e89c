#pragma once

#include "model/RectD.h"
#include "system/Compositing.h"

#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace ostrel {

// A window of the program's own laid over other applications' windows: borderless, above every
// ordinary window, never taking the keyboard focus, and letting every click through to the
// window below. Where no compositor blends translucent windows, the window is cut to what it
// paints, so the rest shows what lies beneath instead of black.
class OverlayPanel : public QWidget {
    Q_OBJECT

public:
    // `compositing` may be null: translucency is then taken for granted.
    explicit OverlayPanel(Compositing *compositing, QWidget *parent = nullptr);
    // For callers that make many panels at once and ask the desktop only once.
    explicit OverlayPanel(bool translucent, QWidget *parent = nullptr);

    // Places the panel over this frame of the global space (top left of the primary display).
    void setFrame(const RectD &frame);
    // Moves the panel so that its frame starts here, keeping its size.
    void setOrigin(double x, double y);
    // The frame last set, before it was rounded to whole pixels.
    RectD frame() const { return frame_; }

    // Shows the panel in front of other windows without activating the program.
    void orderFront();
    void orderOut();
    // The window-server number of the panel's window; 0 while it has none.
    qint64 windowNumber() const;
    // Whether the panel blends over what lies below it; if not, it is cut to `paintedShape`.
    bool isTranslucent() const { return translucent_; }

    // Global coordinates to the screen coordinates of the window system, read afresh each time
    // (the primary display may have moved).
    static QRectF toScreen(const RectD &frame);

protected:
    // What the panel paints, in its own coordinates; used as its shape without a compositor.
    virtual QRegion paintedShape() const = 0;
    // The pixels a path covers (holes included), for `paintedShape`.
    static QRegion regionOf(const QPainterPath &path);
    // Call when `paintedShape` changed.
    void updateShape();
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyGeometry();

    bool translucent_ = true;
    RectD frame_;
};

} // namespace ostrel
