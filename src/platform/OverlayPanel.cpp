#include "platform/OverlayPanel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace ostrel {

namespace {

int whole(double value)
{
    // Frames come from usable rectangles; anything else is placed at 0 rather than converted.
    if (!std::isfinite(value) || std::abs(value) > 1e9) {
        return 0;
    }
    return int(std::round(value));
}

} // namespace

OverlayPanel::OverlayPanel(Compositing *compositing, QWidget *parent)
    : OverlayPanel(!compositing || compositing->isActive(), parent)
{
}

OverlayPanel::OverlayPanel(bool translucent, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                  | Qt::WindowDoesNotAcceptFocus
                  | Qt::WindowTransparentForInput
                  // Left alone by the window manager: no frame, no placement of its own, no focus.
                  | Qt::X11BypassWindowManagerHint)
    , translucent_(translucent)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    setAttribute(Qt::WA_NoSystemBackground, translucent_);
    setFocusPolicy(Qt::NoFocus);
}

QRectF OverlayPanel::toScreen(const RectD &frame)
{
    QPointF origin;
    if (const QScreen *primary = QGuiApplication::primaryScreen()) {
        origin = primary->geometry().topLeft();
    }
    return QRectF(frame.x + origin.x(), frame.y + origin.y(), frame.width, frame.height);
}

void OverlayPanel::setFrame(const RectD &frame)
{
    frame_ = frame;
    applyGeometry();
}

void OverlayPanel::setOrigin(double x, double y)
{
    frame_.x = x;
    frame_.y = y;
    const QRectF screen = toScreen(frame_);
    move(whole(screen.x()), whole(screen.y()));
}

void OverlayPanel::applyGeometry()
{
    const QRectF screen = toScreen(frame_);
    setGeometry(whole(screen.x()), whole(screen.y()), std::max(1, whole(screen.width())),
                std::max(1, whole(screen.height())));
}

void OverlayPanel::orderFront()
{
    if (!isVisible()) {
        show();
    }
    raise();
}

void OverlayPanel::orderOut()
{
    hide();
}

qint64 OverlayPanel::windowNumber() const
{
    const QWindow *window = windowHandle();
    return window ? qint64(window->winId()) : 0;
}

QRegion OverlayPanel::regionOf(const QPainterPath &path)
{
    QRegion region;
    for (const QPolygonF &polygon : path.toFillPolygons()) {
        region = region.xored(QRegion(polygon.toPolygon()));
    }
    return region;
}

void OverlayPanel::updateShape()
{
    if (translucent_) {
        return;
    }
    const QRegion shape = paintedShape();
    // An empty mask means "no mask" to Qt; a pixel outside the window leaves nothing shown.
    setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
}

void OverlayPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateShape();
}

} // namespace ostrel
