#pragma once

#include <QLoggingCategory>

namespace ostrel {

// The program's log: subsystem "local.ostrel.app", category "app".
Q_DECLARE_LOGGING_CATEGORY(appLog)

} // namespace ostrel
