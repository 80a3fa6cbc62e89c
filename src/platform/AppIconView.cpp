#include "platform/AppIconView.h"

#include "platform/AppIconProvider.h"

#include <QPainter>

#include <cmath>

namespace ostrel {

AppIconView::AppIconView(const QString &bundleID, int size, AppIconProvider *icons, QWidget *parent,
                         const QString &appName)
    : QWidget(parent)
    , icons_(icons)
    , bundleID_(bundleID)
    , appName_(appName)
    , size_(size)
{
    setFixedSize(size, size);
    setAccessibleName(QString());
}

bool AppIconView::showsApplicationIcon() const
{
    return icons_ && icons_->icon(bundleID_).has_value();
}

QSize AppIconView::sizeHint() const
{
    return QSize(size_, size_);
}

void AppIconView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect square((width() - size_) / 2, (height() - size_) / 2, size_, size_);
    const int pixels = int(std::ceil(size_ * devicePixelRatioF()));
    if (const std::optional<QImage> image =
            icons_ ? icons_->icon(bundleID_, pixels) : std::nullopt) {
        painter.drawImage(square, *image);
        return;
    }
    // Drawn at the screen's pixel density, so the letter stays crisp.
    const qreal ratio = devicePixelRatioF();
    QImage standIn = AppIconProvider::standIn(int(std::ceil(size_ * ratio)), bundleID_, appName_);
    standIn.setDevicePixelRatio(ratio);
    painter.drawImage(square.topLeft(), standIn);
}

} // namespace ostrel
