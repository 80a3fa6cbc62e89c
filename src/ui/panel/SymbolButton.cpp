#include "ui/panel/SymbolButton.h"

#include "ui/panel/Symbols.h"
#include "ui/panel/Theme.h"

#include <QPainter>

namespace ostrel {

SymbolButton::SymbolButton(const QString &symbol, double pointSize, ThemeColor colour, QSize frame,
                           QWidget *parent)
    : QAbstractButton(parent)
    , symbol_(symbol)
    , pointSize_(pointSize)
    , colour_(colour)
    , frame_(frame)
{
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(frame);
    setCursor(Qt::ArrowCursor);
}

void SymbolButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::primary(palette(), 0.16));
        painter.drawRoundedRect(QRectF(rect()), 5, 5);
    }
    const int side = Symbols::side(pointSize_);
    const QRectF square((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    if (!isEnabled()) {
        painter.setOpacity(0.35);
    }
    Symbols::paint(painter, square, symbol_, colour_.resolve(palette()));
    painter.setOpacity(1);
    if (hasFocus()) {
        painter.setPen(QPen(Theme::accent(palette()), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
    }
}

} // namespace ostrel
