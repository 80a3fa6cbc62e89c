#include "system/TrustEvents.h"

namespace ostrel {

TrustEvents::~TrustEvents() = default;

} // namespace ostrel
