#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

class QPainter;

namespace ostrel {

// The glow of a flash panel: four borders inside the window's edge, the outer three blurred into
// a continuous fade, turning the window's own square corners. Drawing that pixel by pixel for
// every panel of a restore holds the main thread far too long, so a panel large enough is put
// together from one drawing per colour instead: the corners as drawn, the edges stretched from
// one column or row (along an edge the glow does not change), the middle left empty (the glow
// never reaches it). Main thread only, as all painting.
class RestoredWindowFlashGlow {
public:
    // How far the glow reaches in from each edge: the widest band (64 points, blurred by 36) and
    // two pixels to spare.
    static constexpr int reach = 102;

    explicit RestoredWindowFlashGlow(QColor accent)
        : accent_(accent)
    {
    }

    QColor accent() const { return accent_; }

    // Paints the glow of a panel of `size` with its top left at the painter's origin.
    void paint(QPainter &painter, QSize size);

    // The glow drawn pixel by pixel, as it looks whichever way it is painted.
    static QImage render(QSize size, QColor accent);

private:
    const QColor accent_;
    // A panel too small to be put together keeps its own drawing while its size lasts.
    QImage small_;
};

} // namespace ostrel
