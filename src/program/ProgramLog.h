#pragma once

#include <QLoggingCategory>

namespace ostrel {

// The log of the program: start, the single instance and quitting. Debug lines are off unless asked
// for (QT_LOGGING_RULES="ostrel.program.debug=true"); warnings are on.
Q_DECLARE_LOGGING_CATEGORY(programLog)

} // namespace ostrel
