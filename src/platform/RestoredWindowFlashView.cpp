#include "platform/RestoredWindowFlashView.h"

#include <QPainter>
#include <QPainterPath>

namespace ostrel {

namespace {

struct GlowLayer {
    double opacity;
    double lineWidth;
    double blurRadius;
};

// Outermost glow first, the crisp edge last.
constexpr GlowLayer layers[] = {
    {0.16, 64, 36},
    {0.34, 26, 14},
    {0.40, 10, 5},
    {1.00, 2, 0},
};

// Without a compositor nothing can be translucent; the window keeps the inner band.
constexpr double opaqueBand = 10;

// A stroke that lies entirely inside the rounded rectangle of the panel.
void strokeInside(QPainter &painter, const QRectF &bounds, double width, const QColor &color)
{
    const double half = width / 2;
    const QRectF inner = bounds.adjusted(half, half, -half, -half);
    if (inner.width() <= 0 || inner.height() <= 0) {
        return;
    }
    const double radius = std::max(0.0, RestoredWindowFlashView::cornerRadius - half);
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(inner, radius, radius);
}

QPainterPath visiblePath(const QList<RectD> &rects)
{
    QPainterPath path;
    for (const RectD &r : rects) {
        path.addRect(QRectF(r.x, r.y, r.width, r.height));
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

} // namespace

RestoredWindowFlashView::RestoredWindowFlashView(RestoredWindowFlashRegion *region, QColor accent,
                                                 Compositing *compositing)
    : OverlayPanel(compositing), region_(region), accent_(accent)
{
    setObjectName(QStringLiteral("restored-window-flash"));
    connect(region_, &RestoredWindowFlashRegion::rectsChanged, this, [this] {
        updateShape();
        update();
    });
}

const QImage &RestoredWindowFlashView::glow()
{
    if (glow_.size() == size()) {
        return glow_;
    }
    glow_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    glow_.fill(Qt::transparent);
    QPainter painter(&glow_);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setClipPath(clip);
    for (const GlowLayer &layer : layers) {
        // A blur is approximated by strokes that widen inwards while they fade, spread over the
        // blur radius; the panel's edge cuts off what would spread outwards.
        const int steps = layer.blurRadius > 0 ? 6 : 1;
        for (int step = 0; step < steps; ++step) {
            const double spread = steps > 1 ? layer.blurRadius * (double(step) / (steps - 1) - 0.5) * 2 : 0;
            QColor color = accent_;
            color.setAlphaF(float(layer.opacity / steps));
            strokeInside(painter, QRectF(rect()), std::max(1.0, layer.lineWidth + spread), color);
        }
    }
    return glow_;
}

void RestoredWindowFlashView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setClipPath(visiblePath(region_->rects()));
    painter.drawImage(0, 0, glow());
}

QRegion RestoredWindowFlashView::paintedShape() const
{
    QPainterPath outer;
    outer.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    QPainterPath inner;
    inner.addRoundedRect(QRectF(rect()).adjusted(opaqueBand, opaqueBand, -opaqueBand, -opaqueBand),
                         cornerRadius - opaqueBand / 2, cornerRadius - opaqueBand / 2);
    const QPainterPath band = outer.subtracted(inner).intersected(visiblePath(region_->rects()));
    return regionOf(band);
}

} // namespace ostrel
