#include "ui/panel/HoverHighlight.h"

#include "ui/panel/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace ostrel {

HoverHighlight::HoverHighlight(QWidget *control, qreal cornerRadius)
    : QObject(control)
    , control_(control)
    , cornerRadius_(cornerRadius)
{
    control->installEventFilter(this);
}

HoverHighlight *HoverHighlight::of(const QWidget *control)
{
    return control ? control->findChild<HoverHighlight *>(QString(), Qt::FindDirectChildrenOnly)
                   : nullptr;
}

bool HoverHighlight::isShowing() const
{
    return hovering_ && control_->isEnabled();
}

bool HoverHighlight::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != control_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Enter:
        hovering_ = true;
        control_->update();
        break;
    case QEvent::Leave:
        hovering_ = false;
        control_->update();
        break;
    case QEvent::EnabledChange:
        control_->update();
        break;
    case QEvent::Paint:
        if (isShowing()) {
            // Drawn inside the control's own paint event, before the control paints its face.
            QPainter painter(control_);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::hoverBackground(control_->palette()));
            const QRectF bounds(control_->rect());
            const qreal r = std::min({cornerRadius_, bounds.width() / 2, bounds.height() / 2});
            painter.drawRoundedRect(bounds, r, r);
        }
        break;
    default:
        break;
    }
    return false;
}

HoverHighlight *ostrelHover(QWidget *control, qreal cornerRadius)
{
    if (HoverHighlight *existing = HoverHighlight::of(control)) {
        existing->cornerRadius_ = cornerRadius;
        control->update();
        return existing;
    }
    return new HoverHighlight(control, cornerRadius);
}

} // namespace ostrel
