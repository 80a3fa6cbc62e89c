#include "ui/panel/IndicatorStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStyleOption>

namespace ostrel {

namespace {

QColor blended(const QColor &under, const QColor &over, qreal amount)
{
    return QColor::fromRgbF(under.redF() + (over.redF() - under.redF()) * amount,
                            under.greenF() + (over.greenF() - under.greenF()) * amount,
                            under.blueF() + (over.blueF() - under.blueF()) * amount);
}

bool hasKeyboardFocus(const QStyleOption &option)
{
    return (option.state & QStyle::State_HasFocus)
        && (option.state & QStyle::State_KeyboardFocusChange);
}

// Fusion's field colour while the indicator is held down.
QColor pressedFill(const QPalette &palette)
{
    return blended(palette.color(QPalette::Base), palette.color(QPalette::WindowText), 0.15);
}

} // namespace

IndicatorStyle::IndicatorStyle()
    : QProxyStyle(QStringLiteral("Fusion"))
{
}

QColor IndicatorStyle::outline(const QPalette &palette)
{
    // A disabled indicator keeps a visible outline, fainter than an enabled one: the disabled
    // text colour is already dimmed, so more of it goes in.
    const bool disabled = palette.currentColorGroup() == QPalette::Disabled;
    return blended(palette.color(QPalette::Base), palette.color(QPalette::WindowText),
                   disabled ? 0.75 : 0.4);
}

void IndicatorStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                   QPainter *painter, const QWidget *widget) const
{
    if (!option || !painter) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    QPalette palette = option->palette;
    if (!(option->state & State_Enabled)) {
        palette.setCurrentColorGroup(QPalette::Disabled);
    }

    if (element == PE_IndicatorCheckBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (hasKeyboardFocus(*option)) {
            return;
        }
        // Fusion strokes the square on pixel centres, so the same stroke covers its outline
        // exactly and leaves the field and the checkmark as they are.
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->translate(0.5, 0.5);
        painter->setPen(QPen(outline(palette)));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option->rect).adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }

    if (element == PE_IndicatorRadioButton) {
        // Painted whole, in Fusion's geometry: stroking over an antialiased circle would leave
        // its old dark edge showing through.
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        const QRect &rect = option->rect;
        const QPointF centre = QPointF(rect.center()) + QPointF(1, 1);
        const qreal radius = (rect.width() + (rect.width() + 1) % 2) / 2.0 - 1;
        painter->setBrush((option->state & State_Sunken) ? pressedFill(palette)
                                                         : palette.color(QPalette::Base));
        const QColor focusOutline = palette.color(QPalette::Highlight).darker(125);
        painter->setPen(QPen(hasKeyboardFocus(*option) ? focusOutline : outline(palette)));
        painter->drawEllipse(centre, radius, radius);
        if (option->state & State_On) {
            const qreal dotRadius = radius / 2.32;
            QColor dot = palette.color(QPalette::Text).darker(120);
            dot.setAlpha(200);
            painter->setPen(dot);
            dot.setAlpha(180);
            painter->setBrush(dot);
            painter->drawEllipse(centre, dotRadius, dotRadius);
        }
        painter->restore();
        return;
    }

    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

} // namespace ostrel
