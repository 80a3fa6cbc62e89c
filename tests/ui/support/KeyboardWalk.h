#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace ostrel::test {

// The widgets Tab visits in `window`, from the first stop after the focus Tab starts at, once
// round (at most `limit` presses): the window is made active and Tab is pressed on whatever
// has the focus, as a user would.
QList<QWidget *> tabWalk(QWidget *window, int limit = 60);

// A stop's name for a test's table: its objectName, else its accessible name, else its class.
QString stopName(const QWidget *widget);
QList<QString> stopNames(const QList<QWidget *> &stops);

// Whether a user sees where the focus is: the widget and all its ancestors are visible, it has
// some size, and some of it lies inside the window.
bool showsFocus(QWidget *widget);

// Failures where Tab goes against the reading order: from each stop to the next (the last back
// to the first is the wrap), the next lies further down, or beside it to the right. Stops in
// one scroll area are compared where they lie in its content. Empty when all is in order.
QList<QString> readingOrderFaults(const QList<QWidget *> &stops);

// One walk round a window as a test reads it: at least one stop, every stop visible, and from
// the topmost stop down the window no stop against the reading order.
void expectTabInReadingOrder(QWidget *window);

} // namespace ostrel::test
