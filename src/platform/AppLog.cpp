#include "platform/AppLog.h"

namespace ostrel {

Q_LOGGING_CATEGORY(appLog, "local.ostrel.app.app")

} // namespace ostrel
