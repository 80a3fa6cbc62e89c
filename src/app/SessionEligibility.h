#pragma once

#include "system/SessionEvents.h"

#include <QString>

#include <optional>

namespace ostrel {

// May an automatic restore move windows in this login session? The reason is set exactly when
// it may not.
struct SessionEligibility {
    bool eligible = true;
    std::optional<QString> reason;

    bool operator==(const SessionEligibility &) const = default;
};

// The verdict of the session's own report alone (the model combines it with the last session
// signal it saw): no report at all means not eligible; a locked screen, a session away from the
// console or a login not done means not eligible; anything the report leaves out never counts
// against the session.
SessionEligibility sessionEligibility(const std::optional<SessionState> &state);

} // namespace ostrel
