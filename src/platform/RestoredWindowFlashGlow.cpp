#include "platform/RestoredWindowFlashGlow.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

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

// How strongly the glow covers a pixel whose centre lies `depth` inside the window's edge: each
// layer a band from the edge inwards, blurred (a Gaussian of a third of its blur radius, so that
// it fades out within that radius) and cut at the window's edge, the layers laid over each other.
// A smooth function of the depth: the fade has no steps.
double coverage(double depth)
{
    double clear = 1.0;
    for (const GlowLayer &layer : layers) {
        double inBand = 0;
        if (layer.blurRadius > 0) {
            const double sigma = layer.blurRadius / 3.0;
            inBand = 0.5
                * (std::erf((layer.lineWidth - depth) / (sigma * std::sqrt(2.0)))
                   - std::erf(-depth / (sigma * std::sqrt(2.0))));
        } else {
            // The crisp edge: exactly its width, its last pixel partly covered.
            inBand = std::clamp(layer.lineWidth - (depth - 0.5), 0.0, 1.0);
        }
        clear *= 1.0 - layer.opacity * std::clamp(inBand, 0.0, 1.0);
    }
    return 1.0 - clear;
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
    // The glow follows the window's own square corners: a pixel's depth is its distance from
    // the nearest edge, so the glow turns each corner without cutting it off.
    std::vector<QRgb> byDepth(size_t(reach) + 1);
    for (int depth = 0; depth <= reach; ++depth) {
        const int alpha = int(std::lround(coverage(depth + 0.5) * accent.alphaF() * 255));
        byDepth[size_t(depth)] = qPremultiply(
            qRgba(accent.red(), accent.green(), accent.blue(), std::clamp(alpha, 0, 255)));
    }
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int fromTopOrBottom = std::min(y, size.height() - 1 - y);
        for (int x = 0; x < size.width(); ++x) {
            const int depth = std::min({x, size.width() - 1 - x, fromTopOrBottom});
            if (depth <= reach) {
                row[x] = byDepth[size_t(depth)];
            }
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
