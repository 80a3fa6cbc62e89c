#include "ui/panel/OverlayScrolling.h"

#include "ui/panel/Theme.h"

#include <QAbstractScrollArea>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>

namespace ostrel {

namespace {

constexpr int trailingMargin = 10;
constexpr qreal knobThickness = 6;
constexpr qreal knobMinimumLength = 24;

const char *const styledProperty = "ostrelOverlayScrolling";

// The style of one scroll bar: the whole bar is the track, drawn as nothing; the knob is a
// rounded bar in the primary colour, a little stronger while the pointer is on the bar.
class OverlayScrollBarStyle : public QProxyStyle {
public:
    OverlayScrollBarStyle()
        : QProxyStyle(QStringLiteral("Fusion"))
    {
    }

    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        switch (metric) {
        case PM_ScrollBarExtent:
            return trailingMargin;
        case PM_ScrollBarSliderMin:
            return int(knobMinimumLength);
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returned) const override
    {
        if (hint == SH_ScrollBar_LeftClickAbsolutePosition) {
            return true;
        }
        if (hint == SH_ScrollBar_ContextMenu) {
            return false;
        }
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget) const override
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_ScrollBar || !bar) {
            return QProxyStyle::subControlRect(control, option, sub, widget);
        }
        const QRect whole = bar->rect;
        const bool horizontal = bar->orientation == Qt::Horizontal;
        const int length = horizontal ? whole.width() : whole.height();
        switch (sub) {
        case SC_ScrollBarGroove:
            return whole;
        case SC_ScrollBarSlider: {
            const int range = bar->maximum - bar->minimum;
            if (range <= 0) {
                return {};
            }
            const qreal page = std::max(1, bar->pageStep);
            int knob = int(length * page / (range + page));
            knob = std::clamp(knob, std::min(length, int(knobMinimumLength)), length);
            const int position = sliderPositionFromValue(
                bar->minimum, bar->maximum, bar->sliderPosition, length - knob, bar->upsideDown);
            return horizontal ? QRect(whole.x() + position, whole.y(), knob, whole.height())
                              : QRect(whole.x(), whole.y() + position, whole.width(), knob);
        }
        case SC_ScrollBarAddPage:
        case SC_ScrollBarSubPage: {
            const QRect knob = subControlRect(control, option, SC_ScrollBarSlider, widget);
            if (knob.isEmpty()) {
                return {};
            }
            const bool add = sub == SC_ScrollBarAddPage;
            if (horizontal) {
                return add ? QRect(knob.right() + 1, whole.y(), whole.right() - knob.right(),
                                   whole.height())
                           : QRect(whole.x(), whole.y(), knob.x() - whole.x(), whole.height());
            }
            return add
                ? QRect(whole.x(), knob.bottom() + 1, whole.width(), whole.bottom() - knob.bottom())
                : QRect(whole.x(), whole.y(), whole.width(), knob.y() - whole.y());
        }
        default:
            return {};
        }
    }

    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                     const QPoint &point, const QWidget *widget) const override
    {
        if (control != CC_ScrollBar) {
            return QProxyStyle::hitTestComplexControl(control, option, point, widget);
        }
        for (SubControl sub : {SC_ScrollBarSlider, SC_ScrollBarAddPage, SC_ScrollBarSubPage}) {
            if (subControlRect(control, option, sub, widget).contains(point)) {
                return sub;
            }
        }
        return SC_None;
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget) const override
    {
        if (control != CC_ScrollBar) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QRect knob = subControlRect(control, option, SC_ScrollBarSlider, widget);
        if (knob.isEmpty()) {
            return;
        }
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        const bool horizontal = bar && bar->orientation == Qt::Horizontal;
        QRectF shape(knob);
        if (horizontal) {
            shape.setTop(shape.bottom() + 1 - knobThickness - 2);
            shape.setHeight(knobThickness);
        } else {
            shape.setLeft(shape.right() + 1 - knobThickness - 2);
            shape.setWidth(knobThickness);
        }
        shape.adjust(horizontal ? 2 : 0, horizontal ? 0 : 2, horizontal ? -2 : 0,
                     horizontal ? 0 : -2);
        const bool active = option->state & (State_MouseOver | State_Sunken);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Theme::primary(option->palette, active ? 0.5 : 0.32));
        painter->drawRoundedRect(shape, knobThickness / 2, knobThickness / 2);
        painter->restore();
    }
};

void styleBar(QScrollBar *bar)
{
    if (bar->property(styledProperty).toBool()) {
        return;
    }
    bar->setProperty(styledProperty, true);
    auto *style = new OverlayScrollBarStyle;
    style->setParent(bar);
    bar->setStyle(style);
    bar->setAttribute(Qt::WA_Hover);
    bar->setAutoFillBackground(false);
}

} // namespace

void overlayScrolling(QAbstractScrollArea *area)
{
    if (!area) {
        return;
    }
    area->setProperty(styledProperty, true);
    area->setFrameShape(QFrame::NoFrame);
    area->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
    if (auto *scroll = qobject_cast<QScrollArea *>(area); scroll && scroll->widget()) {
        scroll->widget()->setAutoFillBackground(false);
    }
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    styleBar(area->verticalScrollBar());
    styleBar(area->horizontalScrollBar());
}

bool hasOverlayScrolling(const QAbstractScrollArea *area)
{
    return area && area->property(styledProperty).toBool();
}

} // namespace ostrel
