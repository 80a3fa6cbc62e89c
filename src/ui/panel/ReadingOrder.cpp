#include "ui/panel/ReadingOrder.h"

#include <QApplication>
#include <QScrollArea>
#include <QWidget>

#include <algorithm>

namespace ostrel::ReadingOrder {

namespace {

// The widget's ancestors below `root`, outermost first, ending with the widget itself.
QList<QWidget *> lineage(QWidget *root, QWidget *widget)
{
    QList<QWidget *> chain;
    for (QWidget *w = widget; w && w != root; w = w->parentWidget()) {
        chain.prepend(w);
    }
    return chain;
}

// Two siblings: the upper one first; side by side (overlapping vertically), the left one.
bool readsBefore(const QWidget *a, const QWidget *b)
{
    const QRect ra = a->geometry();
    const QRect rb = b->geometry();
    if (ra.bottom() < rb.top()) {
        return true;
    }
    if (rb.bottom() < ra.top()) {
        return false;
    }
    return ra.left() != rb.left() ? ra.left() < rb.left() : ra.top() < rb.top();
}

bool isStop(QWidget *root, QWidget *widget)
{
    return widget->window() == root->window() && (widget->focusPolicy() & Qt::TabFocus)
        && widget->isEnabled() && widget->isVisibleTo(root) && !widget->size().isEmpty()
        && !widget->focusProxy() && !qobject_cast<QScrollArea *>(widget);
}

} // namespace

QList<QWidget *> stops(QWidget *root)
{
    QList<QList<QWidget *>> lines;
    const QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (isStop(root, widget)) {
            lines.append(lineage(root, widget));
        }
    }
    // Compared where the two lines part: the sections in reading order, then what lies in them.
    std::stable_sort(lines.begin(), lines.end(), [](const auto &a, const auto &b) {
        const qsizetype common = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < common; ++i) {
            if (a[i] != b[i]) {
                return readsBefore(a[i], b[i]);
            }
        }
        return a.size() < b.size();
    });
    QList<QWidget *> ordered;
    ordered.reserve(lines.size());
    for (const auto &line : std::as_const(lines)) {
        ordered.append(line.last());
    }
    return ordered;
}

bool moveFocus(QWidget *root, bool next)
{
    const QList<QWidget *> order = stops(root);
    if (order.isEmpty()) {
        return false;
    }
    qsizetype at = -1;
    for (QWidget *focus = QApplication::focusWidget(); focus && at < 0;
         focus = focus->parentWidget()) {
        at = order.indexOf(focus);
        if (focus == root) {
            break;
        }
    }
    qsizetype target;
    if (at < 0) {
        target = next ? 0 : order.size() - 1;
    } else {
        target = (at + (next ? 1 : order.size() - 1)) % order.size();
    }
    order[target]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace ostrel::ReadingOrder
