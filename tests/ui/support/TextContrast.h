#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

class QWidget;

namespace ostrel::test {

// WCAG's contrast ratio of two opaque colours, from 1 (the same) to 21 (black on white).
double contrastRatio(QRgb a, QRgb b);

// What one text on a picture measures: its background is the commonest colour of its box, its
// colour the pixel that stands out most from that background (the core of a stem, which
// antialiasing leaves at the full colour at twice the resolution).
struct TextContrast {
    QString text;
    QRect box; // in the picture's pixels
    QRgb background = 0;
    QRgb colour = 0;
    double ratio = 1;
    bool large = false; // 24 px, or 18.66 px bold: 3 : 1 is enough
    bool passes() const { return ratio >= (large ? 3.0 : 4.5); }
};

double measuredContrast(const QImage &picture, const QRect &box, QRgb *background = nullptr,
                        QRgb *colour = nullptr);

// Every enabled text in `window` that the picture shows (labels, buttons, wrapped labels),
// measured on the picture of that window. Disabled controls are left out, as WCAG leaves them.
QList<TextContrast> textContrasts(const QImage &picture, QWidget *window);

} // namespace ostrel::test
