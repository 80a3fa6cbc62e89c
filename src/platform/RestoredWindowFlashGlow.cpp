#include "platform/RestoredWindowFlashGlow.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

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

// A stroke that lies entirely inside the rounded rectangle of the panel.
void strokeInside(QPainter &painter, const QRectF &bounds, double width, const QColor &color)
{
    const double half = width / 2;
    const QRectF inner = bounds.adjusted(half, half, -half, -half);
    if (inner.width() <= 0 || inner.height() <= 0) {
        return;
    }
    const double radius = std::max(0.0, RestoredWindowFlashGlow::cornerRadius - half);
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(inner, radius, radius);
}

constexpr int reach = RestoredWindowFlashGlow::reach;
// The one drawing per colour: a panel with a single column and row between its corners.
constexpr int pieceSide = 2 * reach + 1;

// One colour's glow cut up: the drawing whose corners are used as they are, and the middle
// column and row of each edge.
struct Pieces {
    QImage drawing;
    QImage top, bottom, left, right;
};

const Pieces &piecesFor(const QColor &accent)
{
    // A handful of highlight colours exist; the bound only keeps a stream of odd colours from
    // growing it without end.
    static QHash<QRgb, Pieces> cache;
    const QRgb key = accent.rgba();
    if (const auto found = cache.constFind(key); found != cache.constEnd()) {
        return *found;
    }
    if (cache.size() >= 16) {
        cache.clear();
    }
    Pieces pieces;
    pieces.drawing = RestoredWindowFlashGlow::render(QSize(pieceSide, pieceSide), accent);
    pieces.top = pieces.drawing.copy(reach, 0, 1, reach);
    pieces.bottom = pieces.drawing.copy(reach, pieceSide - reach, 1, reach);
    pieces.left = pieces.drawing.copy(0, reach, reach, 1);
    pieces.right = pieces.drawing.copy(pieceSide - reach, reach, reach, 1);
    return *cache.insert(key, std::move(pieces));
}

} // namespace

QImage RestoredWindowFlashGlow::render(QSize size, QColor accent)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(QPointF(0, 0), QSizeF(size));
    QPainterPath clip;
    clip.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.setClipPath(clip);
    for (const GlowLayer &layer : layers) {
        // A blur is approximated by strokes that widen inwards while they fade, spread over the
        // blur radius; the panel's edge cuts off what would spread outwards.
        const int steps = layer.blurRadius > 0 ? 6 : 1;
        for (int step = 0; step < steps; ++step) {
            const double spread =
                steps > 1 ? layer.blurRadius * (double(step) / (steps - 1) - 0.5) * 2 : 0;
            QColor color = accent;
            color.setAlphaF(float(layer.opacity / steps));
            strokeInside(painter, bounds, std::max(1.0, layer.lineWidth + spread), color);
        }
    }
    return image;
}

void RestoredWindowFlashGlow::paint(QPainter &painter, QSize size)
{
    if (size.isEmpty()) {
        return;
    }
    const int width = size.width();
    const int height = size.height();
    if (width < 2 * reach || height < 2 * reach) {
        // Here the glow's edges meet, so no piece would fit.
        if (small_.size() != size) {
            small_ = render(size, accent_);
        }
        painter.drawImage(0, 0, small_);
        return;
    }
    small_ = QImage();
    const Pieces &pieces = piecesFor(accent_);
    const int far = pieceSide - reach;
    painter.drawImage(QPoint(0, 0), pieces.drawing, QRect(0, 0, reach, reach));
    painter.drawImage(QPoint(width - reach, 0), pieces.drawing, QRect(far, 0, reach, reach));
    painter.drawImage(QPoint(0, height - reach), pieces.drawing, QRect(0, far, reach, reach));
    painter.drawImage(QPoint(width - reach, height - reach), pieces.drawing,
                      QRect(far, far, reach, reach));
    const int across = width - 2 * reach;
    const int down = height - 2 * reach;
    if (across > 0) {
        painter.drawImage(QRect(reach, 0, across, reach), pieces.top);
        painter.drawImage(QRect(reach, height - reach, across, reach), pieces.bottom);
    }
    if (down > 0) {
        painter.drawImage(QRect(0, reach, reach, down), pieces.left);
        painter.drawImage(QRect(width - reach, reach, reach, down), pieces.right);
    }
}

} // namespace ostrel
