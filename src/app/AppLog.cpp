#include "app/AppLog.h"

namespace ostrel {

Q_LOGGING_CATEGORY(appLog, "ostrel.app", QtInfoMsg)

} // namespace ostrel
