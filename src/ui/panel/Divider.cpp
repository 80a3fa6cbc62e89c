#include "ui/panel/Divider.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/Theme.h"

#include <QPainter>

namespace ostrel {

namespace {

constexpr qreal separatorOpacity = 0.1;

} // namespace

Divider::Divider(qreal opacity, QWidget *parent)
    : QWidget(parent)
    , opacity_(opacity)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ScreenReader::hide(this);
}

void Divider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::primary(palette(), separatorOpacity * opacity_));
}

} // namespace ostrel
