#pragma once

#include <QLoggingCategory>

namespace ostrel {

// The log of the layout store: writes that did not land, recoveries and the damaged files kept
// aside. Debug lines are off unless asked for (QT_LOGGING_RULES="ostrel.storage.debug=true");
// warnings are on.
Q_DECLARE_LOGGING_CATEGORY(storageLog)

} // namespace ostrel
