#pragma once

#include <QLoggingCategory>

namespace ostrel {

// The log of the platform services: hot keys, window scans and frame writes. Debug lines are off
// unless asked for (QT_LOGGING_RULES="ostrel.platform.debug=true"); warnings are on.
Q_DECLARE_LOGGING_CATEGORY(platformLog)

} // namespace ostrel
