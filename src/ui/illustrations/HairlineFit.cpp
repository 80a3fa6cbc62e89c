#include "ui/illustrations/HairlineFit.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrel {

HairlineFit HairlineFit::of(QSizeF size, QRectF box)
{
    HairlineFit fit;
    fit.box = box;
    if (!(box.width() > 0) || !(box.height() > 0)) {
        return fit;
    }
    const double scale = std::min(size.width() / box.width(), size.height() / box.height());
    if (!std::isfinite(scale) || !(scale > 0)) {
        return fit;
    }
    fit.scale = scale;
    fit.margin = QPointF((size.width() - box.width() * scale) / 2,
                         (size.height() - box.height() * scale) / 2);
    return fit;
}

void HairlineFit::apply(QPainter &painter) const
{
    painter.translate(margin.x() - box.x() * scale, margin.y() - box.y() * scale);
    painter.scale(scale, scale);
}

QPointF HairlineFit::toDesign(QPointF local) const
{
    return {box.x() + (local.x() - margin.x()) / scale, box.y() + (local.y() - margin.y()) / scale};
}

QPen hairlinePen(const QColor &color, double scale, double dashOn, double dashOff)
{
    constexpr double width = 0.9;
    QPen pen(color, width / scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(false);
    pen.setMiterLimit(10);
    if (dashOn > 0 || dashOff > 0) {
        // Qt measures dashes in pen widths.
        pen.setDashPattern({dashOn / width, dashOff / width});
        pen.setDashOffset(0);
    }
    return pen;
}

} // namespace ostrel
