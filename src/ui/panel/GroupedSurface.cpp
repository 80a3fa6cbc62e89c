#include "ui/panel/GroupedSurface.h"

#include "ui/panel/Theme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace ostrel {

GroupedSurface::GroupedSurface(int padding, QWidget *parent)
    : QWidget(parent)
{
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(padding, padding, padding, padding);
}

void GroupedSurface::addWidget(QWidget *widget, Qt::Alignment alignment)
{
    layout_->addWidget(widget, 0, alignment);
}

void GroupedSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::primary(palette(), 0.055));
    painter.drawRoundedRect(bounds, cornerRadius, cornerRadius);
    // The outline lies on the inside of the edge.
    constexpr qreal line = 0.5;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::primary(palette(), 0.06), line));
    const QRectF inner = bounds.adjusted(line / 2, line / 2, -line / 2, -line / 2);
    painter.drawRoundedRect(inner, cornerRadius - line / 2, cornerRadius - line / 2);
}

} // namespace ostrel
