#include "ui/panel/HoverRowButtonStyle.h"

#include "ui/panel/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace ostrel {

qreal HoverRowButtonStyle::opacity(bool pressed, bool hovering)
{
    if (pressed) {
        return 0.16;
    }
    return hovering ? 0.09 : 0.0;
}

QRectF HoverRowButtonStyle::highlightRect(const QRectF &row) const
{
    return row.adjusted(horizontalInset, verticalInset, -horizontalInset, -verticalInset);
}

void HoverRowButtonStyle::paint(QPainter &painter, const QRectF &row, const QPalette &palette,
                                bool pressed, bool hovering) const
{
    const qreal alpha = opacity(pressed, hovering);
    const QRectF shape = highlightRect(row);
    if (alpha <= 0 || shape.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::primary(palette, alpha));
    const qreal r = std::min({radius, shape.width() / 2, shape.height() / 2});
    painter.drawRoundedRect(shape, r, r);
    painter.restore();
}

} // namespace ostrel
