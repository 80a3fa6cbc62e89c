#pragma once

#include <QLoggingCategory>

namespace ostrel {

// The log of the X11 backend: what the X server or the window manager refused. Debug lines are off
// unless asked for (QT_LOGGING_RULES="ostrel.x11.debug=true"); warnings are on.
Q_DECLARE_LOGGING_CATEGORY(x11Log)

} // namespace ostrel
