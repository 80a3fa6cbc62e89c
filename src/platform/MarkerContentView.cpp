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
    : OverlayPanel(compositing)
    , number_(number)
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
    if (!isTranslucent()) {
        // Cut to the outline and the badge: a flat fill draws both without edges blended into
        // the black an opaque window starts from; the number goes on top.
        painter.fillRect(rect(), SystemColors::green());
        drawNumber(painter);
        return;
    }

    QColor outlineColor = SystemColors::green();
    outlineColor.setAlphaF(0.92f);
    painter.setPen(QPen(outlineColor, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline(), cornerRadius, cornerRadius);

    const QRectF circle = badge();
    painter.setPen(Qt::NoPen);
    painter.setBrush(SystemColors::green());
    painter.drawEllipse(circle);
    drawNumber(painter);
}

void MarkerContentView::drawNumber(QPainter &painter) const
{
    QFont font = painter.font();
    font.setPixelSize(int(numberPixelSize));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge(), Qt::AlignCenter, QString::number(number_));
}

QRegion MarkerContentView::paintedShape() const
{
    // The outline's band and the badge, filled flat where nothing blends.
    const QRectF r = outline();
    const double half = lineWidth / 2;
    QPainterPath band;
    band.addRoundedRect(r.adjusted(-half, -half, half, half), cornerRadius + half,
                        cornerRadius + half);
    QPainterPath inner;
    inner.addRoundedRect(r.adjusted(half, half, -half, -half), std::max(0.0, cornerRadius - half),
                         std::max(0.0, cornerRadius - half));
    QPainterPath shape = band.subtracted(inner);
    QPainterPath circle;
    circle.addEllipse(badge());
    shape = shape.united(circle);
    return regionOf(shape);
}

} // namespace ostrel
