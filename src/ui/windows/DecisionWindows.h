#pragma once

#include "ui/panel/ViewEnvironment.h"

namespace ostrel {

class WindowPresenter;

// Gives the presenter the contents of the three decision windows: "Choose a Display",
// "Choose Windows" and "Restore Layout". Each window the presenter opens gets a fresh view made
// with `environment`, which must outlive the presenter's windows.
void registerDecisionWindows(WindowPresenter &presenter, const ViewEnvironment &environment);

} // namespace ostrel
