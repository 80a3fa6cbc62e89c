#include "app/SessionEligibility.h"

#include "model/AutomationDeferral.h"

namespace ostrel {

SessionEligibility sessionEligibility(const std::optional<SessionState> &state)
{
    const bool eligible = state && state->screenLocked != true && state->onConsole != false
        && state->loginDone != false;
    if (eligible) {
        return {};
    }
    return {false, reason(AutomationDeferral::sessionInactive)};
}

} // namespace ostrel
