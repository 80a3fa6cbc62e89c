#pragma once

#include "system/AccessibilityTrust.h"
#include "system/x11/X11Desktop.h"

namespace ostrel::x11 {

// Trusted while an EWMH window manager that lists clients and moves them on request is running.
// There is no permission to ask for on X11.
class X11Trust : public AccessibilityTrust {
public:
    explicit X11Trust(X11Desktop &desktop)
        : desktop_(desktop)
    {
    }
    bool isProcessTrusted() override { return desktop_.windowManagerIsUsable(deadlineIn(0.5)); }

private:
    X11Desktop &desktop_;
};

} // namespace ostrel::x11
