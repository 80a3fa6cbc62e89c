#pragma once

#include <QColor>
#include <QProxyStyle>

class QPalette;

namespace ostrel {

// Fusion with outlines for the indicators of check boxes and radio buttons that stay readable on
// either appearance. Fusion derives that outline from the window colour darkened, which on a dark
// window is nearly black on black; here it is the text colour blended into the field, so it
// follows the palette like every other tone of the controls. Everything else, the checkmark, the
// pressed fill and the keyboard focus outline included, is Fusion's own.
class IndicatorStyle : public QProxyStyle {
    Q_OBJECT

public:
    IndicatorStyle();

    // The outline of an indicator that has no keyboard focus, in the palette's current group.
    static QColor outline(const QPalette &palette);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};

} // namespace ostrel
