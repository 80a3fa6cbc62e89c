#include "ui/panel/LazyRows.h"

#include "ui/panel/ReadingOrder.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <set>

namespace ostrel {

LazyRows::LazyRows(Source source, int count, int spacing, QWidget *parent)
    : QWidget(parent)
    , source_(std::move(source))
    , count_(std::max(0, count))
    , spacing_(spacing)
{
    // A row that takes the focus by other means than Tab (from the section above, say) is
    // brought into view as Tab brings it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && isAncestorOf(now)) {
            const int index = indexOf(now);
            if (index >= 0) {
                scrollTo(rows_.at(index));
            }
        }
    });
}

LazyRows::~LazyRows()
{
    // The rows go with the column's QWidget part, when nothing of the column is left to follow
    // the focus they give up.
    disconnect(qApp, nullptr, this, nullptr);
}

QWidget *LazyRows::row(int index) const
{
    const auto found = rows_.find(index);
    return found == rows_.end() ? nullptr : found->second;
}

int LazyRows::heightOf(int index)
{
    const int kind = source_.kind ? source_.kind(index) : 0;
    if (const auto known = heightOfKind_.find(kind); known != heightOfKind_.end()) {
        return known->second;
    }
    QWidget *measured = row(index);
    if (!measured) {
        measured = make(index);
    }
    measured->ensurePolished();
    const QSize hint =
        measured->sizeHint().expandedTo(measured->minimumSize()).boundedTo(measured->maximumSize());
    width_ = std::max(width_, hint.width());
    const int height = std::max(1, hint.height());
    heightOfKind_[kind] = height;
    return height;
}

void LazyRows::placeRows()
{
    if (tops_.size() != size_t(count_) + 1) {
        tops_.assign(size_t(count_) + 1, 0);
        int top = 0;
        for (int i = 0; i < count_; ++i) {
            tops_[size_t(i)] = top;
            top += heightOf(i) + (i + 1 < count_ ? spacing_ : 0);
        }
        tops_[size_t(count_)] = top;
        updateGeometry();
    }
    for (const auto &[index, shown] : rows_) {
        shown->setGeometry(rowRect(index));
    }
}

int LazyRows::indexAt(int y) const
{
    const auto after = std::upper_bound(tops_.begin(), tops_.end() - 1, y);
    return std::clamp(int(after - tops_.begin()) - 1, 0, std::max(0, count_ - 1));
}

QRect LazyRows::rowRect(int index) const
{
    const int top = tops_[size_t(index)];
    const int bottom = tops_[size_t(index) + 1] - (index + 1 < count_ ? spacing_ : 0);
    return QRect(0, top, width(), bottom - top);
}

QSize LazyRows::sizeHint() const
{
    const_cast<LazyRows *>(this)->placeRows();
    return {width_, tops_.back()};
}

QSize LazyRows::minimumSizeHint() const
{
    const_cast<LazyRows *>(this)->placeRows();
    return {0, tops_.back()};
}

void LazyRows::followScrollArea()
{
    QAbstractScrollArea *found = nullptr;
    for (QWidget *w = this; w && !w->isWindow(); w = w->parentWidget()) {
        auto *area = qobject_cast<QAbstractScrollArea *>(w->parentWidget());
        if (area && area->viewport() == w) {
            found = area;
            break;
        }
    }
    if (found == area_) {
        return;
    }
    if (area_) {
        area_->verticalScrollBar()->disconnect(this);
        area_->viewport()->removeEventFilter(this);
    }
    area_ = found;
    if (area_) {
        connect(area_->verticalScrollBar(), &QScrollBar::valueChanged, this, &LazyRows::fill);
        area_->viewport()->installEventFilter(this);
    }
}

QRect LazyRows::wantedPart() const
{
    if (!area_) {
        return QRect(0, 0, std::max(1, width()), std::max(1, tops_.back()));
    }
    // The view, and as much again above and below it, so that a wheel notch or a page never
    // shows a row still to be made. Before the area is laid out its viewport has no size yet:
    // its own height stands in.
    const QWidget *viewport = area_->viewport();
    const int extent = std::max(viewport->height(), area_->height());
    const int top = mapFrom(viewport, QPoint(0, 0)).y();
    return QRect(0, top - extent, std::max(1, width()), 3 * extent);
}

bool LazyRows::isKept(QWidget *candidate) const
{
    const QWidget *focus = QApplication::focusWidget();
    if (focus && (candidate == focus || candidate->isAncestorOf(focus))) {
        return true;
    }
    return source_.keep && source_.keep(candidate);
}

void LazyRows::fill()
{
    if (filling_) {
        return;
    }
    filling_ = true;
    followScrollArea();
    placeRows();
    std::set<int> wanted;
    if (count_ > 0) {
        wanted = {0, count_ - 1};
        const QRect part =
            wantedPart().intersected(QRect(0, 0, std::max(1, width()), tops_.back()));
        if (!part.isEmpty()) {
            for (int i = indexAt(part.top()), last = indexAt(part.bottom()); i <= last; ++i) {
                wanted.insert(i);
            }
        }
    }
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (!wanted.contains(it->first) && !isKept(it->second)) {
            delete it->second;
            it = rows_.erase(it);
        } else {
            ++it;
        }
    }
    for (int index : wanted) {
        if (!rows_.contains(index)) {
            make(index)->setGeometry(rowRect(index));
        }
    }
    filling_ = false;
}

QWidget *LazyRows::make(int index)
{
    QWidget *made = source_.make(index);
    if (made->parentWidget() != this) {
        made->setParent(this);
    }
    // Children in the order of their rows, as a column that holds every row has them.
    if (const auto below = rows_.upper_bound(index); below != rows_.end()) {
        made->stackUnder(below->second);
    }
    rows_[index] = made;
    made->show();
    return made;
}

int LazyRows::indexOf(const QWidget *widget) const
{
    for (const auto &[index, candidate] : rows_) {
        if (candidate == widget || candidate->isAncestorOf(widget)) {
            return index;
        }
    }
    return -1;
}

void LazyRows::scrollTo(QWidget *shown)
{
    if (auto *area = qobject_cast<QScrollArea *>(area_.data());
        area && area->widget() && area->widget()->isAncestorOf(shown)) {
        area->ensureWidgetVisible(shown, 0, 0);
    }
}

QWidget *LazyRows::showRow(int index)
{
    if (index < 0 || index >= count_) {
        return nullptr;
    }
    followScrollArea();
    placeRows();
    auto *area = qobject_cast<QScrollArea *>(area_.data());
    if (area && area->widget() && (area->widget() == this || area->widget()->isAncestorOf(this))) {
        const QRect place = rowRect(index);
        const QPoint centre = mapTo(area->widget(), place.center());
        area->ensureVisible(centre.x(), centre.y(), 0, place.height() / 2 + 1);
    }
    fill();
    QWidget *shown = row(index);
    if (!shown) {
        shown = make(index);
        shown->setGeometry(rowRect(index));
    }
    return shown;
}

bool LazyRows::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
        followScrollArea();
        break;
    case QEvent::FontChange:
    case QEvent::StyleChange:
        // Rows may have another height now: measured again.
        heightOfKind_.clear();
        tops_.clear();
        fill();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void LazyRows::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fill();
}

void LazyRows::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    fill();
}

void LazyRows::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    fill();
}

bool LazyRows::eventFilter(QObject *watched, QEvent *event)
{
    if (area_ && watched == area_->viewport() && event->type() == QEvent::Resize) {
        fill();
    }
    return QWidget::eventFilter(watched, event);
}

bool LazyRows::focusNextPrevChild(bool next)
{
    QWidget *focus = QApplication::focusWidget();
    const int index = focus ? indexOf(focus) : -1;
    if (index < 0) {
        return QWidget::focusNextPrevChild(next);
    }
    const Qt::FocusReason reason = next ? Qt::TabFocusReason : Qt::BacktabFocusReason;
    QWidget *current = rows_.at(index);
    const QList<QWidget *> stops = ReadingOrder::stops(current);
    qsizetype at = -1;
    for (QWidget *w = focus; w && at < 0 && w != current; w = w->parentWidget()) {
        at = stops.indexOf(w);
    }
    if (at >= 0) {
        const qsizetype within = at + (next ? 1 : -1);
        if (within >= 0 && within < stops.size()) {
            stops[within]->setFocus(reason);
            return true;
        }
    }
    const int neighbour = index + (next ? 1 : -1);
    if (neighbour < 0 || neighbour >= count_) {
        // Out of the column: the window's own order goes on from here.
        return QWidget::focusNextPrevChild(next);
    }
    QWidget *other = showRow(neighbour);
    const QList<QWidget *> otherStops = ReadingOrder::stops(other);
    if (otherStops.isEmpty()) {
        return QWidget::focusNextPrevChild(next);
    }
    (next ? otherStops.first() : otherStops.last())->setFocus(reason);
    return true;
}

} // namespace ostrel
