#pragma once

#include <QLoggingCategory>

namespace ostrel {

// The log of the application model: captures, restores and automation as the model decides them.
// Debug lines are off unless asked for (QT_LOGGING_RULES="ostrel.app.debug=true"); warnings are on.
Q_DECLARE_LOGGING_CATEGORY(appLog)

} // namespace ostrel
