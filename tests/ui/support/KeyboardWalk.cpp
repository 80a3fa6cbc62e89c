#include "KeyboardWalk.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

namespace ostrel::test {

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
}

// The widget whose coordinates two stops are compared in: their nearest common ancestor.
QWidget *commonAncestor(QWidget *a, QWidget *b)
{
    for (QWidget *w = a; w; w = w->parentWidget()) {
        if (w->isAncestorOf(b) || w == b) {
            return w;
        }
    }
    return nullptr;
}

} // namespace

QList<QWidget *> tabWalk(QWidget *window, int limit)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    settle();
    QList<QWidget *> visited;
    for (int press = 0; press < limit; ++press) {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus && focus->window() == window ? focus : window, Qt::Key_Tab);
        settle();
        QWidget *now = QApplication::focusWidget();
        if (!now || now->window() != window || (!visited.isEmpty() && now == visited.first())) {
            break;
        }
        visited.append(now);
    }
    return visited;
}

QString stopName(const QWidget *widget)
{
    if (!widget->objectName().isEmpty()) {
        return widget->objectName();
    }
    if (!widget->accessibleName().isEmpty()) {
        return widget->accessibleName();
    }
    return QString::fromLatin1(widget->metaObject()->className());
}

QList<QString> stopNames(const QList<QWidget *> &stops)
{
    QList<QString> names;
    for (const QWidget *stop : stops) {
        names.append(stopName(stop));
    }
    return names;
}

QList<QString> readingOrderFaults(const QList<QWidget *> &stops)
{
    QList<QString> faults;
    for (qsizetype i = 0; i + 1 < stops.size(); ++i) {
        QWidget *a = stops[i];
        QWidget *b = stops[i + 1];
        QWidget *common = commonAncestor(a, b);
        if (!common) {
            continue;
        }
        const QRect ra(a->mapTo(common, QPoint()), a->size());
        const QRect rb(b->mapTo(common, QPoint()), b->size());
        const bool below = rb.top() >= ra.bottom() - 2;
        const bool besideRight =
            rb.top() < ra.bottom() && rb.bottom() > ra.top() && rb.left() >= ra.right() - 2;
        if (!below && !besideRight) {
            faults.append(stopName(a) + " → " + stopName(b));
        }
    }
    return faults;
}

bool showsFocus(QWidget *widget)
{
    return widget->isVisible() && !widget->size().isEmpty() && !widget->visibleRegion().isEmpty();
}

void expectTabInReadingOrder(QWidget *window)
{
    const QList<QWidget *> stops = tabWalk(window);
    ASSERT_FALSE(stops.isEmpty());
    for (QWidget *stop : stops) {
        EXPECT_TRUE(showsFocus(stop)) << stopName(stop).toStdString();
    }
    // Round from the topmost stop: down the window.
    QList<QWidget *> fromTop = stops;
    const auto top = std::min_element(fromTop.begin(), fromTop.end(), [&](QWidget *a, QWidget *b) {
        return a->mapTo(window, QPoint()).y() < b->mapTo(window, QPoint()).y();
    });
    std::rotate(fromTop.begin(), top, fromTop.end());
    EXPECT_EQ(readingOrderFaults(fromTop), QList<QString>{});
}

} // namespace ostrel::test
