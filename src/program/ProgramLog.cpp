#include "program/ProgramLog.h"

namespace ostrel {

Q_LOGGING_CATEGORY(programLog, "ostrel.program", QtInfoMsg)

} // namespace ostrel
