#include "ui/panel/HoverRowButton.h"

#include "ui/panel/Theme.h"

#include <QFocusEvent>
#include <QLayout>
#include <QPainter>

namespace ostrel {

HoverRowButton::HoverRowButton(HoverRowButtonStyle style, QWidget *parent)
    : QAbstractButton(parent)
    , style_(style)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
}

qreal HoverRowButton::highlightOpacity() const
{
    return HoverRowButtonStyle::opacity(isDown(), hovering_);
}

QSize HoverRowButton::sizeHint() const
{
    return layout() ? layout()->sizeHint() : QSize(0, 0);
}

QSize HoverRowButton::minimumSizeHint() const
{
    return layout() ? layout()->minimumSize() : QSize(0, 0);
}

void HoverRowButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style_.paint(painter, QRectF(rect()), palette(), isDown(), hovering_);
    if (hasFocus() && keyboardFocus_ && style_.highlightRect(rect()).isValid()) {
        // Keyboard focus shows as an accent outline on the highlight's shape.
        const QRectF shape = style_.highlightRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::accent(palette()), 2));
        painter.setBrush(Qt::NoBrush);
        const qreal r = std::min({style_.radius, shape.width() / 2, shape.height() / 2});
        painter.drawRoundedRect(shape, r, r);
    }
}

void HoverRowButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    setHovering(true);
}

void HoverRowButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    setHovering(false);
}

void HoverRowButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    // Only focus that came from the keyboard is drawn: a window opening gives its first row
    // focus too, and that row should not look selected.
    keyboardFocus_ =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
}

void HoverRowButton::setHovering(bool hovering)
{
    if (hovering != hovering_) {
        hovering_ = hovering;
        update();
        emit hoveringChanged(hovering);
    }
}

} // namespace ostrel
