#pragma once

#include <QPalette>
#include <QRectF>

class QPainter;

namespace ostrel {

// The highlight of a clickable row: a rounded shape of `radius`, `horizontalInset` inside the
// row's leading and trailing edges and `verticalInset` inside its top and bottom, in the primary
// colour at 16 % while pressed, 9 % while the pointer is over the row and not at all otherwise.
// It never animates and does not look at the enabled state.
struct HoverRowButtonStyle {
    qreal radius = 12;
    qreal horizontalInset = 0;
    qreal verticalInset = 0;

    static qreal opacity(bool pressed, bool hovering);
    QRectF highlightRect(const QRectF &row) const;
    void paint(QPainter &painter, const QRectF &row, const QPalette &palette, bool pressed,
               bool hovering) const;

    bool operator==(const HoverRowButtonStyle &) const = default;
};

} // namespace ostrel
