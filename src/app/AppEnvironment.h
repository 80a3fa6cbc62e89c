#pragma once

#include "model/StorePaths.h"
#include "storage/StorageOpenResult.h"
#include "system/SystemBackend.h"

#include <QString>

#include <functional>

namespace ostrel {

class ApplicationEvents;
class DisplayEvents;
class HotKeyRegistry;
class KeyLabelSource;
class MarkerOverlayService;
class PowerEvents;
class RestoredWindowFlashService;
class SessionEvents;
class ShortcutRecordings;
class TrustEvents;
class WindowPresenter;

// Everything the model stands on that comes from outside the program, handed in at
// construction so that the program wires the X11 desktop and the tests a fake one. Nothing here
// is owned by the model; whoever builds the model keeps all of it alive longer.
struct AppEnvironment {
    SystemBackend system;
    HotKeyRegistry *hotKeys = nullptr;
    // The recordings of the program's shortcut recorders: the hot keys are held off while one
    // records, so that the keys reach the recorder.
    ShortcutRecordings *shortcutRecordings = nullptr;
    // The labels of the current keyboard layout that the shortcut refusals name keys with;
    // absent, they use the fixed key names.
    KeyLabelSource *keyLabels = nullptr;

    SessionEvents *session = nullptr;
    PowerEvents *power = nullptr;
    DisplayEvents *displayEvents = nullptr;
    ApplicationEvents *applicationEvents = nullptr;
    // Absent where the trust never changes by itself (a desktop without an X server).
    TrustEvents *trustEvents = nullptr;

    // The presenter of the decision windows and alerts (the process-wide one in the program).
    WindowPresenter *presenter = nullptr;

    // The on-screen overlays (the process-wide ones in the program): the numbered markers over
    // candidate windows, and the brief outline of windows a restore put back.
    MarkerOverlayService *markers = nullptr;
    RestoredWindowFlashService *flash = nullptr;

    // Opens (creating, recovering or upgrading) the layout store; runs off the main thread and
    // throws what opening throws.
    std::function<StorageOpenResult()> openStore;
    // Where the store lives when nothing better is known: shown with a storage problem.
    StorePaths defaultStorePaths;

    // Shows a folder in the desktop's file browser; calls `unopened` (possibly later, on the
    // main thread) when nothing on this desktop could open it.
    std::function<void(const QString &folder, std::function<void()> unopened)> revealFolder;
    // Opens the desktop's settings for window access; X11 has none, so the program's own
    // wiring leaves it empty.
    std::function<void()> openAccessibilitySettings;
};

} // namespace ostrel
