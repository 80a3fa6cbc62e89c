#pragma once

#include "model/StorePaths.h"
#include "system/SystemBackend.h"

#include <QString>

#include <functional>
#include <memory>

namespace ostrel {

class LayoutStore;

// Everything the model stands on that comes from outside the program, handed in at
// construction so that the program wires the X11 desktop and the tests a fake one. Nothing here
// is owned by the model; whoever builds the model keeps these alive longer.
struct AppEnvironment {
    SystemBackend system;

    // Opens (creating, recovering or upgrading) the layout store; runs off the main thread and
    // throws what opening throws.
    std::function<std::unique_ptr<LayoutStore>()> openStore;
    // Where the store lives when nothing better is known: shown with a storage problem.
    StorePaths defaultStorePaths;

    // Shows a folder in the desktop's file browser.
    std::function<void(const QString &folder)> revealFolder;
    // Opens the desktop's settings for window access; X11 has none, so the program's own
    // wiring leaves it empty.
    std::function<void()> openAccessibilitySettings;
};

} // namespace ostrel
