#include "platform/RestoredWindowFlashView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ostrel {

namespace {

// Without a compositor nothing can be translucent: the glow is left out and the window keeps only
// its rim, the crisp edge made a little wider so that it still catches the eye alone.
constexpr double opaqueRim = 3;

QPainterPath visiblePath(const QList<RectD> &rects)
{
    QPainterPath path;
    for (const RectD &r : rects) {
        path.addRect(QRectF(r.x, r.y, r.width, r.height));
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

// The pixels of the rectangles, rounded as a path's outline is when it becomes a region.
QRegion regionOfRects(const QList<RectD> &rects)
{
    QRegion region;
    for (const RectD &r : rects) {
        const int left = qRound(r.x);
        const int top = qRound(r.y);
        region += QRect(left, top, qRound(r.x + r.width) - left, qRound(r.y + r.height) - top);
    }
    return region;
}

} // namespace

RestoredWindowFlashView::RestoredWindowFlashView(RestoredWindowFlashRegion *region, QColor accent,
                                                 bool translucent)
    : OverlayPanel(translucent)
    , region_(region)
    , glow_(accent)
{
    setObjectName(QStringLiteral("restored-window-flash"));
    connect(region_, &RestoredWindowFlashRegion::rectsChanged, this, [this] {
        updateShape();
        update();
    });
}

void RestoredWindowFlashView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!isTranslucent()) {
        // The window is cut to the visible part of the rim, so a flat fill draws exactly the rim,
        // with no edge blended into the black an opaque window starts from.
        painter.fillRect(rect(), glow_.accent());
        return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (region_->rects().isEmpty()) {
        return; // fully covered
    }
    painter.setClipPath(visiblePath(region_->rects()));
    glow_.paint(painter, size());
}

QRegion RestoredWindowFlashView::paintedShape() const
{
    // The band changes only with the size; the visible part changes while windows move.
    if (bandSize_ != size()) {
        band_ = bandOf(size());
        bandSize_ = size();
    }
    return band_ & regionOfRects(region_->rects());
}

QRegion RestoredWindowFlashView::bandOf(QSize size)
{
    const QRectF rect(QPointF(0, 0), QSizeF(size));
    QPainterPath outer;
    outer.addRoundedRect(rect, cornerRadius, cornerRadius);
    QPainterPath inner;
    inner.addRoundedRect(rect.adjusted(opaqueRim, opaqueRim, -opaqueRim, -opaqueRim),
                         std::max(0.0, cornerRadius - opaqueRim),
                         std::max(0.0, cornerRadius - opaqueRim));
    return regionOf(outer.subtracted(inner));
}

} // namespace ostrel
