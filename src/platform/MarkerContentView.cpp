#include "platform/MarkerContentView.h"

#include "platform/SystemColors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace ostrel {

namespace {

constexpr double inset = 3;
constexpr double cornerRadius = 10;
constexpr double lineWidth = 3;
constexpr double badgeSide = 28;
constexpr double badgeOffset = 8;
constexpr double numberPixelSize = 15;

} // namespace

MarkerContentView::MarkerContentView(int number, Compositing *compositing)
    : OverlayPanel(compositing), number_(number)
{
    setObjectName(QStringLiteral("candidate-marker-%1").arg(number));
}

QRectF MarkerContentView::outline() const
{
    return QRectF(rect()).adjusted(inset, inset, -inset, -inset);
}

QRectF MarkerContentView::badge() const
{
    const QRectF r = outline();
    return QRectF(r.left() + badgeOffset, r.top() + badgeOffset, badgeSide, badgeSide);
}

void MarkerContentView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QColor outlineColor = SystemColors::green();
    outlineColor.setAlphaF(0.92f);
    painter.setPen(QPen(outlineColor, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline(), cornerRadius, cornerRadius);

    const QRectF circle = badge();
    painter.setPen(Qt::NoPen);
    painter.setBrush(SystemColors::green());
    painter.drawEllipse(circle);

    QFont font = painter.font();
    font.setPixelSize(int(numberPixelSize));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(circle, Qt::AlignCenter, QString::number(number_));
}

QRegion MarkerContentView::paintedShape() const
{
    // The outline's band and the badge, a pixel wider for the antialiased edges.
    const QRectF r = outline();
    const double half = lineWidth / 2 + 1;
    QPainterPath band;
    band.addRoundedRect(r.adjusted(-half, -half, half, half), cornerRadius + half, cornerRadius + half);
    QPainterPath inner;
    inner.addRoundedRect(r.adjusted(half, half, -half, -half), std::max(0.0, cornerRadius - half),
                         std::max(0.0, cornerRadius - half));
    QPainterPath shape = band.subtracted(inner);
    QPainterPath circle;
    circle.addEllipse(badge().adjusted(-1, -1, 1, 1));
    shape = shape.united(circle);
    return regionOf(shape);
}

} // namespace ostrel
