#include "KeyboardWalk.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace ostrel::test {

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
    }
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

bool showsFocus(QWidget *widget)
{
    return widget->isVisible() && !widget->size().isEmpty()
        && !widget->visibleRegion().isEmpty();
}

} // namespace ostrel::test
