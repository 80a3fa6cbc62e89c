#include "ui/panel/UiLog.h"

namespace ostrel {

Q_LOGGING_CATEGORY(uiLog, "ostrel.ui", QtInfoMsg)

} // namespace ostrel
