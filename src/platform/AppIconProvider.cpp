#include "platform/AppIconProvider.h"

#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ostrel {

namespace {

QIcon loadIcon(const QString &icon)
{
    if (icon.isEmpty()) {
        return {};
    }
    if (QFileInfo(icon).isAbsolute()) {
        return QFileInfo::exists(icon) ? QIcon(icon) : QIcon();
    }
    QIcon themed = QIcon::fromTheme(icon);
    if (!themed.isNull()) {
        return themed;
    }
    // Many entries name an icon that only the legacy pixmaps folder holds.
    for (const char *suffix : {".png", ".svg", ".xpm"}) {
        const QString path = QStringLiteral("/usr/share/pixmaps/") + icon + QLatin1String(suffix);
        if (QFileInfo::exists(path)) {
            return QIcon(path);
        }
    }
    return {};
}

// Exactly side × side, the icon scaled to fit and centred.
QImage squareImage(const QIcon &icon)
{
    const int side = AppIconProvider::side;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QImage rendered = icon.pixmap(QSize(side, side)).toImage();
    if (rendered.isNull()) {
        return {};
    }
    const QImage fitted =
        rendered.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&image);
    painter.drawImage((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
    return image;
}

QImage fromBitmap(const IconBitmap &bitmap)
{
    QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < bitmap.width; ++x) {
            row[x] = bitmap.argb[qsizetype(y) * bitmap.width + x];
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Of the sizes a window icon came in, the one nearest `pixels` (the larger of two as near: it
// scales down cleanly), drawn exactly `pixels` square.
QImage nearest(const QList<QImage> &sizes, int pixels)
{
    const QImage *best = nullptr;
    for (const QImage &image : sizes) {
        const int distance = std::abs(std::max(image.width(), image.height()) - pixels);
        if (!best || distance < std::abs(std::max(best->width(), best->height()) - pixels)
            || (distance == std::abs(std::max(best->width(), best->height()) - pixels)
                && image.width() > best->width())) {
            best = &image;
        }
    }
    if (!best) {
        return {};
    }
    QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    const QImage fitted = best->size() == QSize(pixels, pixels)
        ? *best
        : best->scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&out);
    painter.drawImage((pixels - fitted.width()) / 2, (pixels - fitted.height()) / 2, fitted);
    return out;
}

} // namespace

std::optional<QImage> AppIconProvider::icon(const QString &bundleID, int pixels)
{
    pixels = std::clamp(pixels, 1, 1024);
    const auto cached = images_.constFind(bundleID);
    if (cached != images_.constEnd()) {
        const auto sizes = windowIcons_.constFind(bundleID);
        if (sizes != windowIcons_.constEnd() && pixels != side) {
            return nearest(*sizes, pixels);
        }
        return pixels == side ? *cached : nearest({*cached}, pixels);
    }
    if (!source_) {
        return std::nullopt;
    }
    const std::optional<QString> location = source_->icon(bundleID);
    QImage image = location ? squareImage(loadIcon(*location)) : QImage();
    if (image.isNull()) {
        // No entry, or one that names no icon found here: the icon the windows publish.
        QList<QImage> sizes;
        for (const IconBitmap &bitmap : source_->windowIcons(bundleID)) {
            if (bitmap.width > 0 && bitmap.height > 0
                && bitmap.argb.size() == qsizetype(bitmap.width) * bitmap.height) {
                sizes.append(fromBitmap(bitmap));
            }
        }
        if (!sizes.isEmpty()) {
            windowIcons_.insert(bundleID, sizes);
            image = nearest(sizes, side);
        }
    }
    if (image.isNull()) {
        if (!location) {
            return std::nullopt;
        }
        // An installed application always has an icon: its own, else the generic one.
        image = standIn(side, bundleID);
    }
    images_.insert(bundleID, image);
    insertionOrder_.append(bundleID);
    while (insertionOrder_.size() > limit) {
        const QString evicted = insertionOrder_.takeFirst();
        images_.remove(evicted);
        windowIcons_.remove(evicted);
    }
    if (pixels != side) {
        const auto sizes = windowIcons_.constFind(bundleID);
        return nearest(sizes != windowIcons_.constEnd() ? *sizes : QList<QImage>{image}, pixels);
    }
    return image;
}

QIcon AppIconProvider::iconNamed(const QString &icon)
{
    return loadIcon(icon);
}

QString AppIconProvider::initial(const QString &name)
{
    QString text = name.trimmed();
    // A bundle identifier ("org.example.editor") is named by its last part.
    if (!text.contains(QLatin1Char(' ')) && text.contains(QLatin1Char('.'))) {
        text = text.section(QLatin1Char('.'), -1, -1, QString::SectionSkipEmpty);
    }
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isLetterOrNumber(c)) {
            return QString::fromUcs4(&c, 1).toUpper();
        }
    }
    return QStringLiteral("?");
}

QColor AppIconProvider::tint(const QString &bundleID)
{
    // FNV-1a over the folded text: stable from run to run, unlike qHash's seeded hashes.
    quint32 hash = 2166136261u;
    for (const QChar c : bundleID.toCaseFolded()) {
        hash = (hash ^ c.unicode()) * 16777619u;
    }
    const int hue = int(hash % 360);
    QColor colour;
    // Yellows and greens are light at any saturation: darken until white text reads on them.
    for (int lightness = 115; lightness >= 40; lightness -= 5) {
        colour = QColor::fromHsl(hue, 130, lightness);
        const auto channel = [](double v) {
            v /= 255.0;
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        const double luminance = 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green())
            + 0.0722 * channel(colour.blue());
        if (1.05 / (luminance + 0.05) >= 4.5) {
            break;
        }
    }
    return colour;
}

QImage AppIconProvider::standIn(int side, const QString &bundleID, const QString &name)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double box = side * 0.8;
    const QRectF tile((side - box) / 2, (side - box) / 2, box, box);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint(bundleID));
    painter.drawRoundedRect(tile, box * 0.22, box * 0.22);
    QFont font = painter.font();
    font.setPixelSize(std::max(1, int(std::lround(box * 0.62))));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(tile, Qt::AlignCenter, initial(name.trimmed().isEmpty() ? bundleID : name));
    return image;
}

} // namespace ostrel
