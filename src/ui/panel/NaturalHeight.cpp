#include "ui/panel/NaturalHeight.h"

#include <QBoxLayout>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QLayout>
#include <QScrollArea>
#include <QStackedLayout>
#include <QStackedWidget>
#include <QWidget>

#include <algorithm>

namespace ostrel::NaturalHeight {

namespace {

int ofLayout(const QLayout *layout, int width);
int measure(const QWidget *content, int width, bool withinOwnLimits);

int ofItem(QLayoutItem *item, int width)
{
    if (const QWidget *widget = item->widget()) {
        return widget->isHidden() ? 0 : measure(widget, width, true);
    }
    if (const QLayout *layout = item->layout()) {
        return ofLayout(layout, width);
    }
    // A spacer: a stretch gives nothing, a fixed space its height.
    return item->expandingDirections() & Qt::Vertical ? 0 : item->sizeHint().height();
}

int ofLayout(const QLayout *layout, int width)
{
    const QMargins margins = layout->contentsMargins();
    const int inner = std::max(0, width - margins.left() - margins.right());
    int height = 0;
    if (const auto *stacked = qobject_cast<const QStackedLayout *>(layout)) {
        height = stacked->currentWidget() ? measure(stacked->currentWidget(), inner, true) : 0;
    } else if (const auto *box = qobject_cast<const QBoxLayout *>(layout)) {
        const bool vertical = box->direction() == QBoxLayout::TopToBottom
            || box->direction() == QBoxLayout::BottomToTop;
        int shown = 0;
        for (int i = 0; i < box->count(); ++i) {
            QLayoutItem *item = box->itemAt(i);
            if (item->widget() && item->widget()->isHidden()) {
                continue;
            }
            const int h = vertical
                ? ofItem(item, inner)
                : (item->widget() || item->layout() ? item->sizeHint().height() : 0);
            if (vertical) {
                height += h;
                if (h > 0 || !item->spacerItem()) {
                    ++shown;
                }
            } else {
                height = std::max(height, h);
            }
        }
        if (vertical && shown > 1) {
            height += box->spacing() * (shown - 1);
        }
    } else {
        height = layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                             : layout->totalSizeHint().height();
        return height;
    }
    return height + margins.top() + margins.bottom();
}

// A content's own fixed height is what is being worked out; its parts keep theirs.
int measure(const QWidget *content, int width, bool withinOwnLimits)
{
    if (!content) {
        return 0;
    }
    int height = 0;
    if (const auto *area = qobject_cast<const QScrollArea *>(content)) {
        const int frame = 2 * area->frameWidth();
        // The scroll area's own limits do not count: its content's full height does.
        return frame + (area->widget() ? measure(area->widget(), width - frame, false) : 0);
    } else if (const auto *stacked = qobject_cast<const QStackedWidget *>(content)) {
        height = stacked->currentWidget() ? measure(stacked->currentWidget(), width, true) : 0;
    } else if (const QLayout *layout = content->layout()) {
        height = ofLayout(layout, width);
    } else {
        height = content->hasHeightForWidth() ? content->heightForWidth(width)
                                              : content->sizeHint().height();
    }
    return withinOwnLimits
        ? std::clamp(height, content->minimumHeight(),
                     std::max(content->minimumHeight(), content->maximumHeight()))
        : height;
}

} // namespace

int of(const QWidget *content, int width)
{
    if (!content) {
        return 0;
    }
    // Where the content scrolls, its own layout already gives the rest its height: the content
    // is as tall as it is now, less what its scroll area shows, plus what that one holds.
    const QScrollArea *area = nullptr;
    for (const QScrollArea *candidate : content->findChildren<QScrollArea *>()) {
        if (candidate->widget() && candidate->isVisibleTo(content)
            && (!area || candidate->height() > area->height())) {
            area = candidate;
        }
    }
    if (!area || !content->layout()) {
        return measure(content, width, false);
    }
    const_cast<QLayout *>(content->layout())->activate();
    const QWidget *inside = area->widget();
    const int viewport = area->viewport()->width();
    const int needed = inside->hasHeightForWidth() ? inside->heightForWidth(viewport)
                                                   : inside->sizeHint().height();
    return content->height() - area->viewport()->height() + needed;
}

int within(const QWidget *content, int width, int floor, int cap)
{
    return std::min(cap, std::max(floor, of(content, width)));
}

namespace {

class Follower final : public QObject {
public:
    Follower(QWidget *view, std::function<void()> fit)
        : QObject(view)
        , fit_(std::move(fit))
    {
        view->installEventFilter(this);
        for (QScrollArea *area : view->findChildren<QScrollArea *>()) {
            if (area->widget()) {
                area->widget()->installEventFilter(this);
            }
        }
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if ((event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            && !pending_) {
            pending_ = true;
            QTimer::singleShot(0, this, [this] {
                pending_ = false;
                fit_();
            });
        }
        return false;
    }

private:
    std::function<void()> fit_;
    bool pending_ = false;
};

} // namespace

void follow(QWidget *view, std::function<void()> fit)
{
    new Follower(view, std::move(fit));
}

} // namespace ostrel::NaturalHeight
