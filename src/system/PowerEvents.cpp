#include "system/PowerEvents.h"

namespace ostrel {

PowerEvents::~PowerEvents() = default;

} // namespace ostrel
