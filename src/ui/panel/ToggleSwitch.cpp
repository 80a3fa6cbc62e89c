#include "ui/panel/ToggleSwitch.h"

#include "ui/panel/Theme.h"

#include <QPainter>

namespace ostrel {

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QCheckBox(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
}

QSize ToggleSwitch::sizeHint() const
{
    // Room for the focus ring around the track.
    return {trackWidth + 4, trackHeight + 4};
}

bool ToggleSwitch::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    const QRectF track((width() - trackWidth) / 2.0, (height() - trackHeight) / 2.0, trackWidth,
                       trackHeight);
    const qreal radius = trackHeight / 2.0;
    if (!isEnabled()) {
        painter.setOpacity(0.45);
    }
    const bool on = isChecked();
    painter.setPen(Qt::NoPen);
    painter.setBrush(on ? Theme::accent(colours)
                        : Theme::primary(colours, Theme::isDark(colours) ? 0.22 : 0.12));
    painter.drawRoundedRect(track, radius, radius);
    if (isDown()) {
        painter.setBrush(Theme::primary(colours, 0.08));
        painter.drawRoundedRect(track, radius, radius);
    }

    const qreal inset = 1.5;
    const qreal knob = trackHeight - 2 * inset;
    const qreal x = on ? track.right() - inset - knob : track.left() + inset;
    const QRectF knobRect(x, track.top() + inset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);

    if (hasFocus()) {
        painter.setOpacity(1);
        painter.setPen(QPen(Theme::accent(colours), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }
}

} // namespace ostrel
