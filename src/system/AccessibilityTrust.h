#pragma once

namespace ostrel {

// Whether the program may read and move other applications' windows.
//
// A backend must answer at once without prompting the user, from any thread, and must reflect
// a withdrawal of trust on the next call (the services ask again at the start and the end of
// an operation and treat a change in between as lost permission).
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;
    virtual bool isProcessTrusted() = 0;
};

} // namespace ostrel
