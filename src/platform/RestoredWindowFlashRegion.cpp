#include "platform/RestoredWindowFlashRegion.h"

namespace ostrel {

RestoredWindowFlashRegion::RestoredWindowFlashRegion(double width, double height, QObject *parent)
    : QObject(parent)
    , rects_{{0, 0, width, height}}
{
}

void RestoredWindowFlashRegion::setRects(const QList<RectD> &rects)
{
    if (rects == rects_) {
        return;
    }
    rects_ = rects;
    emit rectsChanged();
}

} // namespace ostrel
