#include "platform/AppIconProvider.h"

#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QPainter>

namespace ostrel {

namespace {

struct Cache {
    ApplicationIcons *source = nullptr;
    QHash<QString, QImage> images;
    QList<QString> insertionOrder;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

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
    const QImage fitted = rendered.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&image);
    painter.drawImage((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
    return image;
}

} // namespace

void AppIconProvider::setSource(ApplicationIcons *source)
{
    Cache &c = cache();
    c.source = source;
    c.images.clear();
    c.insertionOrder.clear();
}

std::optional<QImage> AppIconProvider::icon(const QString &bundleID)
{
    Cache &c = cache();
    const auto cached = c.images.constFind(bundleID);
    if (cached != c.images.constEnd()) {
        return *cached;
    }
    if (!c.source) {
        return std::nullopt;
    }
    const std::optional<QString> location = c.source->icon(bundleID);
    if (!location) {
        return std::nullopt;
    }
    // An installed application always has an icon: its own, else the generic one.
    QImage image = squareImage(loadIcon(*location));
    if (image.isNull()) {
        image = symbol(side, Qt::gray);
    }
    c.images.insert(bundleID, image);
    c.insertionOrder.append(bundleID);
    while (c.insertionOrder.size() > limit) {
        c.images.remove(c.insertionOrder.takeFirst());
    }
    return image;
}

QIcon AppIconProvider::iconNamed(const QString &icon)
{
    return loadIcon(icon);
}

QList<QString> AppIconProvider::cachedIdentifiers()
{
    return cache().insertionOrder;
}

QImage AppIconProvider::symbol(int side, const QColor &color)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double box = side * 0.8;
    const double stroke = std::max(1.0, box * 0.08);
    const QRectF square((side - box) / 2 + stroke / 2, (side - box) / 2 + stroke / 2, box - stroke, box - stroke);
    painter.setPen(QPen(color, stroke));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(square, box * 0.22, box * 0.22);
    return image;
}

} // namespace ostrel
