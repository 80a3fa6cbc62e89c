#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cmath>
#include <functional>

namespace ostrel::test {

// Renders a drawing offscreen into an image of `size` points at a device-pixel ratio, on a
// page of the given colour.
inline QImage render(const std::function<void(QPainter &, QSizeF)> &draw, QSize size,
                     double ratio = 1, QColor page = Qt::red)
{
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(page);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, QSizeF(size));
    painter.end();
    return image;
}

inline double colourDistance(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green())
        + std::abs(a.blue() - b.blue());
}

// The pixel nearest to `colour` within `radius` device pixels of a point given in points.
inline QColor nearest(const QImage &image, QPointF point, QColor colour, int radius = 2)
{
    const int cx = static_cast<int>(std::floor(point.x() * image.devicePixelRatio()));
    const int cy = static_cast<int>(std::floor(point.y() * image.devicePixelRatio()));
    QColor best;
    double bestDistance = 1e9;
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius; ++x) {
            if (!image.rect().contains(x, y)) {
                continue;
            }
            const QColor c = image.pixelColor(x, y);
            const double d = colourDistance(c, colour);
            if (d < bestDistance) {
                bestDistance = d;
                best = c;
            }
        }
    }
    return best;
}

// Counts the pixels that differ from the page.
inline int paintedPixels(const QImage &image, QColor page)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) != page;
        }
    }
    return count;
}

} // namespace ostrel::test
