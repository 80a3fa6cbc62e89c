#pragma once

#include "model/RectD.h"

#include <QList>
#include <QObject>

namespace ostrel {

// The visible part of a restored window, in its flash panel's own coordinates (top left, points):
// the glow is drawn only there.
class RestoredWindowFlashRegion : public QObject {
    Q_OBJECT

public:
    // Starts as the whole panel.
    RestoredWindowFlashRegion(double width, double height, QObject *parent = nullptr);

    const QList<RectD> &rects() const { return rects_; }
    // Assigns and notifies only when the rectangles differ.
    void setRects(const QList<RectD> &rects);

signals:
    void rectsChanged();

private:
    QList<RectD> rects_;
};

} // namespace ostrel
