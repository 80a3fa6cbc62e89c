#include "platform/AppIconView.h"

#include "platform/AppIconProvider.h"

#include <QPainter>

namespace ostrel {

AppIconView::AppIconView(const QString &bundleID, int size, QWidget *parent)
    : QWidget(parent), bundleID_(bundleID), size_(size)
{
    setFixedSize(size, size);
    setAccessibleName(QString());
}

bool AppIconView::showsApplicationIcon() const
{
    return AppIconProvider::icon(bundleID_).has_value();
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
    if (const std::optional<QImage> image = AppIconProvider::icon(bundleID_)) {
        painter.drawImage(square, *image);
        return;
    }
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    painter.drawImage(square.topLeft(), AppIconProvider::symbol(size_, secondary));
}

} // namespace ostrel
