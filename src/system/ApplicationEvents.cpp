#include "system/ApplicationEvents.h"

namespace ostrel {

ApplicationEvents::~ApplicationEvents() = default;

} // namespace ostrel
