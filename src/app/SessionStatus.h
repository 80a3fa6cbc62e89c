#pragma once

#include "model/AutomationDeferral.h"

#include <QString>

#include <optional>

namespace ostrel {

// What the desktop allows now: window access, the login session, and what automation made of
// the last display change.
struct SessionStatus {
    bool permissionTrusted = false;
    bool permissionPrompted = false;
    bool sessionEligible = true;
    std::optional<AutomationDeferral> lastAutomationDeferral;
    std::optional<QString> automationNotice; // the automation status shown in the panel

    friend bool operator==(const SessionStatus &, const SessionStatus &) = default;
};

} // namespace ostrel
