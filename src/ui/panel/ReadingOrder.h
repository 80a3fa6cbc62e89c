#pragma once

#include <QList>

class QWidget;

namespace ostrel {

// Tab and Shift+Tab in reading order. Qt's own chain follows the order in which widgets were
// made, so sections built later or shown only sometimes land at its end; a window's root view
// hands Tab to these instead (from its focusNextPrevChild).
namespace ReadingOrder {

// The controls Tab stops at inside `root`'s window part, top to bottom and, within a row, left
// to right: visible, enabled, taking focus by Tab, with some size. A scroll area is no stop of
// its own (it shows no focus; the controls in it are the stops, and it scrolls them into view).
QList<QWidget *> stops(QWidget *root);

// Moves the focus to the stop after (or before) the focused one, wrapping around; false when
// `root` holds no stop.
bool moveFocus(QWidget *root, bool next);

} // namespace ReadingOrder

} // namespace ostrel
