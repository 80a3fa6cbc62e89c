#include "system/DisplayEvents.h"

namespace ostrel {

DisplayEvents::~DisplayEvents() = default;

} // namespace ostrel
