#include "platform/PlatformLog.h"

namespace ostrel {

Q_LOGGING_CATEGORY(platformLog, "ostrel.platform", QtInfoMsg)

} // namespace ostrel
