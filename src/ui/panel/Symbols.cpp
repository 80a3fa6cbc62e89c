#include "ui/panel/Symbols.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const QString folder = QStringLiteral(":/symbols/");

// The drawings are black ink with white where a filled shape is cut open (the check inside a
// filled circle). A rendered pixel's ink is therefore its coverage less its whiteness, which
// is what the tint is laid on; white parts come out transparent.
QImage tint(const QImage &ink, const QColor &colour)
{
    QImage out(ink.size(), QImage::Format_ARGB32_Premultiplied);
    const int red = colour.red();
    const int green = colour.green();
    const int blue = colour.blue();
    const int alpha = colour.alpha();
    for (int y = 0; y < ink.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(ink.constScanLine(y));
        QRgb *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < ink.width(); ++x) {
            const int coverage = std::max(0, qAlpha(in[x]) - qRed(in[x]));
            const int a = coverage * alpha / 255;
            row[x] = qRgba(red * a / 255, green * a / 255, blue * a / 255, a);
        }
    }
    return out;
}

// Heavier weights draw thicker strokes, as a bolder font would: regular is the drawing as made.
double strokeFactor(QFont::Weight weight)
{
    return 0.6 + 0.4 * double(weight) / double(QFont::Normal);
}

QByteArray drawing(const QString &name, QFont::Weight weight)
{
    static QHash<QString, QByteArray> cache;
    const QString key = name + QLatin1Char('|') + QString::number(int(weight));
    if (auto it = cache.constFind(key); it != cache.constEnd()) {
        return *it;
    }
    QFile file(folder + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression stroke(QStringLiteral("stroke-width=\"([0-9.]+)\""));
    const double factor = strokeFactor(weight);
    QString scaled;
    qsizetype last = 0;
    for (auto match = stroke.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        scaled += text.mid(last, m.capturedStart() - last);
        scaled += QStringLiteral("stroke-width=\"%1\"").arg(m.captured(1).toDouble() * factor);
        last = m.capturedEnd();
    }
    scaled += text.mid(last);
    const QByteArray bytes = scaled.toUtf8();
    cache.insert(key, bytes);
    return bytes;
}

QImage tinted(const QString &name, int pixels, const QColor &colour, QFont::Weight weight)
{
    if (pixels <= 0 || !Symbols::exists(name)) {
        return {};
    }
    const QString key = QStringLiteral("ostrel-symbol|%1|%2|%3|%4")
                            .arg(name)
                            .arg(pixels)
                            .arg(int(weight))
                            .arg(colour.rgba(), 8, 16, QLatin1Char('0'));
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) {
        return cached.toImage();
    }
    QSvgRenderer renderer(drawing(name, weight));
    QImage ink(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    ink.fill(Qt::transparent);
    {
        QPainter painter(&ink);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    const QImage image = tint(ink, colour);
    QPixmapCache::insert(key, QPixmap::fromImage(image));
    return image;
}

} // namespace

bool Symbols::exists(const QString &name)
{
    return !name.isEmpty() && QFile::exists(folder + name + QStringLiteral(".svg"));
}

QStringList Symbols::names()
{
    QStringList result;
    for (const QString &file : QDir(folder).entryList({QStringLiteral("*.svg")}, QDir::Files)) {
        result.append(file.chopped(4));
    }
    return result;
}

int Symbols::side(double pointSize)
{
    if (!std::isfinite(pointSize) || pointSize <= 0) {
        return 0;
    }
    return std::max(1, int(std::lround(std::min(pointSize, 1000.0) * 1.15)));
}

QPixmap Symbols::pixmap(const QString &name, double pointSize, const QColor &colour,
                        qreal devicePixelRatio, QFont::Weight weight)
{
    const int points = side(pointSize);
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1;
    const QImage image = tinted(name, int(std::ceil(points * ratio)), colour, weight);
    if (image.isNull()) {
        return {};
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(ratio);
    return result;
}

QIcon Symbols::icon(const QString &name, double pointSize, const QColor &colour,
                    QFont::Weight weight)
{
    QIcon result;
    for (qreal ratio : {1.0, 2.0}) {
        const QPixmap image = pixmap(name, pointSize, colour, ratio, weight);
        if (!image.isNull()) {
            result.addPixmap(image);
        }
    }
    return result;
}

QPixmap Symbols::trayPixmap(int pixels, const QColor &colour)
{
    if (pixels <= 0 || pixels > 1024) {
        return {};
    }
    const int n = pixels;
    const int line = n < 20 ? 1 : std::max(2, int(std::lround(n / 12.0)));
    const int marginX = std::max(1, int(std::lround(n * 0.08)));
    const int marginY = int(std::lround(n * 0.16));
    const QRect outer(marginX, marginY, n - 2 * marginX, n - 2 * marginY);
    const qreal radius = std::max(1.5, n * 0.1);
    const int band = std::max(2, int(std::lround(n * 0.17)));

    QImage image(n, n, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath window;
    window.addRoundedRect(QRectF(outer), radius, radius);
    // The title bar: a solid band across the top, which is what reads as "a window" at 16 pixels.
    painter.setClipPath(window);
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), band), colour);
    painter.setClipping(false);
    const qreal half = line / 2.0;
    painter.setPen(QPen(colour, line));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(outer).adjusted(half, half, -half, -half), radius - half,
                            radius - half);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon Symbols::trayIcon(const QColor &colour)
{
    QIcon icon;
    for (int pixels : {16, 20, 22, 24, 32, 44, 48}) {
        icon.addPixmap(trayPixmap(pixels, colour));
    }
    return icon;
}

void Symbols::paint(QPainter &painter, const QRectF &target, const QString &name,
                    const QColor &colour, QFont::Weight weight)
{
    if (target.isEmpty()) {
        return;
    }
    const QTransform &transform = painter.worldTransform();
    const qreal scale = std::sqrt(std::abs(transform.determinant()))
        * (painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
    const int pixels = int(std::ceil(std::max(target.width(), target.height()) * scale));
    const QImage image = tinted(name, pixels, colour, weight);
    if (image.isNull()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.restore();
}

} // namespace ostrel
