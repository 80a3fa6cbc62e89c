#include "system/SessionEvents.h"

namespace ostrel {

SessionEvents::~SessionEvents() = default;

} // namespace ostrel
