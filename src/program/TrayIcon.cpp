#include "program/TrayIcon.h"

#include "ui/panel/Symbols.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ostrel::TrayIcon {

namespace {

// An icon with a theme name and pixels of its own: Qt hands the name to a StatusNotifier host
// (which looks it up in its theme and recolours it where it is symbolic) and the pixels to every
// host that does not find it, and to an XEmbed tray.
class NamedIconEngine final : public QIconEngine {
public:
    explicit NamedIconEngine(QIcon pixels)
        : pixels_(std::move(pixels))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        pixels_.paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return pixels_.pixmap(size, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return pixels_.actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return pixels_.availableSizes(mode, state);
    }
    QString iconName() override { return QString(themeName); }
    QString key() const override { return QStringLiteral("ostrel-tray"); }
    QIconEngine *clone() const override { return new NamedIconEngine(pixels_); }

private:
    QIcon pixels_;
};

} // namespace

QImage image(int pixels, const QColor &glyph, const QColor &outline)
{
    if (pixels <= 0 || pixels > 1024) {
        return {};
    }
    const int ring = pixels >= 32 ? 2 : 1;
    // The glyph drawn inside the ring, so that the outline stays within the square.
    const int inner = pixels - 2 * ring;
    const QImage mask = Symbols::trayPixmap(inner, Qt::white)
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Coverage of the glyph and of the glyph grown by the ring's width (the outline's shape).
    std::vector<int> coverage(size_t(pixels) * size_t(pixels), 0);
    for (int y = 0; y < inner; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(mask.constScanLine(y));
        for (int x = 0; x < inner; ++x) {
            coverage[size_t(y + ring) * size_t(pixels) + size_t(x + ring)] = qAlpha(row[x]);
        }
    }
    QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < pixels; ++x) {
            int grown = 0;
            for (int dy = -ring; dy <= ring; ++dy) {
                for (int dx = -ring; dx <= ring; ++dx) {
                    const int sx = x + dx;
                    const int sy = y + dy;
                    if (sx >= 0 && sy >= 0 && sx < pixels && sy < pixels) {
                        grown = std::max(grown, coverage[size_t(sy) * size_t(pixels) + size_t(sx)]);
                    }
                }
            }
            const int a = coverage[size_t(y) * size_t(pixels) + size_t(x)];
            // The glyph over its outline: the outline shows where the glyph does not cover.
            const double g = a / 255.0;
            const double o = grown / 255.0 * (1.0 - g);
            const double alpha = g + o;
            if (alpha <= 0) {
                row[x] = 0;
                continue;
            }
            const auto mix = [&](int glyphChannel, int outlineChannel) {
                return int(std::lround(glyphChannel * g + outlineChannel * o));
            };
            row[x] = qRgba(mix(glyph.red(), outline.red()), mix(glyph.green(), outline.green()),
                           mix(glyph.blue(), outline.blue()), int(std::lround(alpha * 255)));
        }
    }
    return out;
}

QIcon icon(bool dark)
{
    const QColor lightInk(0xf2, 0xf2, 0xf2);
    const QColor darkInk(0x26, 0x26, 0x26);
    QIcon pixels;
    for (int side : {16, 20, 22, 24, 32, 44, 48}) {
        pixels.addPixmap(QPixmap::fromImage(dark ? image(side, lightInk, darkInk)
                                                 : image(side, darkInk, lightInk)));
    }
    return QIcon(new NamedIconEngine(pixels));
}

} // namespace ostrel::TrayIcon
