#include "ui/panel/FocusRing.h"

#include "ui/panel/Theme.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QTimer>

namespace ostrel {

namespace {

constexpr int outset = FocusRing::gap + FocusRing::width;

} // namespace

// The drawing: a transparent widget over the control and a ring's width around it.
class FocusRing::Ring final : public QWidget {
public:
    Ring(QWidget *window, const QWidget *control, qreal radius)
        : QWidget(window)
        , control_(control)
        , radius_(radius)
    {
        setObjectName(QStringLiteral("focus-ring"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!control_) {
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal half = FocusRing::width / 2.0;
        const QRectF ring = QRectF(rect()).adjusted(half, half, -half, -half);
        const qreal radius = radius_ + FocusRing::gap + half;
        painter.setPen(QPen(Theme::accent(control_->palette()), FocusRing::width));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(ring, radius, radius);
    }

private:
    QPointer<const QWidget> control_;
    qreal radius_;
};

FocusRing::FocusRing(QWidget *control, qreal radius)
    : QObject(control)
    , control_(control)
    , radius_(radius)
{
    setObjectName(QStringLiteral("focus-ring-follower"));
    control->installEventFilter(this);
}

FocusRing::~FocusRing()
{
    delete ring_;
}

void FocusRing::follow(QWidget *control, qreal radius)
{
    if (control && !control->findChild<FocusRing *>(QString(), Qt::FindDirectChildrenOnly)) {
        new FocusRing(control, radius);
    }
}

QRect FocusRing::shownAt(const QWidget *control)
{
    const FocusRing *follower =
        control ? control->findChild<FocusRing *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!follower || !follower->ring_ || !follower->ring_->isVisible()) {
        return {};
    }
    return follower->ring_->geometry();
}

bool FocusRing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == control_) {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason) {
                wanted_ = true;
                watchAncestors(true);
                place();
                // A scroll area brings the control into view after the focus arrived.
                QTimer::singleShot(0, this, &FocusRing::place);
            }
            break;
        case QEvent::FocusOut:
        case QEvent::Hide:
            wanted_ = false;
            watchAncestors(false);
            showRing(false);
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::ParentChange:
            place();
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        place();
    }
    return false;
}

void FocusRing::watchAncestors(bool watch)
{
    for (QWidget *ancestor = control_->parentWidget(); ancestor && !ancestor->isWindow();
         ancestor = ancestor->parentWidget()) {
        if (watch) {
            ancestor->installEventFilter(this);
        } else {
            ancestor->removeEventFilter(this);
        }
    }
}

void FocusRing::showRing(bool show)
{
    if (ring_) {
        ring_->setVisible(show);
    }
}

void FocusRing::place()
{
    if (!wanted_ || !control_->isVisible() || !control_->hasFocus()) {
        showRing(false);
        return;
    }
    // On the control's window, so that neither the layout nor a parent's edge cuts it, raised
    // above whatever lies there.
    QWidget *window = control_->window();
    if (!ring_ || ring_->parentWidget() != window) {
        delete ring_;
        ring_ = new Ring(window, control_, radius_);
    }
    const QRect area(control_->mapTo(window, QPoint(0, 0)), control_->size());
    ring_->setGeometry(area.adjusted(-outset, -outset, outset, outset));
    ring_->raise();
    ring_->show();
    ring_->update();
}

} // namespace ostrel
