#pragma once

#include <QLoggingCategory>

namespace ostrel {

// The log of the windows and the panel. Debug lines are off unless asked for
// (QT_LOGGING_RULES="ostrel.ui.debug=true"); warnings are on.
Q_DECLARE_LOGGING_CATEGORY(uiLog)

} // namespace ostrel
