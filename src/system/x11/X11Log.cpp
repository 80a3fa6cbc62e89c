#include "system/x11/X11Log.h"

namespace ostrel {

Q_LOGGING_CATEGORY(x11Log, "ostrel.x11", QtInfoMsg)

} // namespace ostrel
