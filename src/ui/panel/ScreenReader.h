#pragma once

#include <QAccessible>

class QWidget;

namespace ostrel {

// What Qt 6.4 widgets cannot say to assistive technology by themselves: that a decorative
// widget is not there for it (a symbol, a spinner, an icon stack), a role other than the
// class's own (a section title that is a header), and which of a set of choices is selected.
namespace ScreenReader {

void hide(QWidget *widget);
bool isHidden(const QWidget *widget);

void setRole(QWidget *widget, QAccessible::Role role);

// Marks `widget` as one of a set of choices (selectable) and says whether it is the chosen one,
// so that a screen reader hears "selected" as a state and not only in the name. A button keeps
// its press action.
void setSelected(QWidget *widget, bool selected);
bool isSelected(const QWidget *widget);

} // namespace ScreenReader

} // namespace ostrel
