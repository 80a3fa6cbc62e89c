#pragma once

#include "system/AccessibilityElements.h"
#include "system/AccessibilityTrust.h"
#include "system/Clock.h"
#include "system/PointerButtons.h"
#include "system/RunningApplications.h"
#include "system/ScreenList.h"
#include "system/WindowServerList.h"

namespace ostrel {

// The parts of the operating system the services stand on, handed to them together. The
// pointers are not owned; whoever builds the services keeps the backend alive longer.
struct SystemBackend {
    AccessibilityTrust *trust = nullptr;
    AccessibilityElements *elements = nullptr;
    RunningApplications *applications = nullptr;
    WindowServerList *windowServer = nullptr;
    ScreenList *screens = nullptr;
    PointerButtons *pointer = nullptr;
    Clock *clock = nullptr;
};

} // namespace ostrel
