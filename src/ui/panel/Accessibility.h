#pragma once

#include <QAccessible>

class QWidget;

namespace ostrel {

// What Qt 6.4 widgets cannot say to assistive technology by themselves: that a decorative
// widget is not there for it (a symbol, a spinner, an icon stack), and a role other than the
// class's own (a section title that is a header).
namespace Accessibility {

void hide(QWidget *widget);
bool isHidden(const QWidget *widget);

void setRole(QWidget *widget, QAccessible::Role role);

} // namespace Accessibility

} // namespace ostrel
