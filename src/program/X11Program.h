#pragma once

#include "model/StorePaths.h"
#include "system/SystemBackend.h"

#include <QDBusConnection>

#include <memory>
#include <string>

namespace ostrel {

class AppIconProvider;
class AppModel;
class KeyboardLayoutObserver;
class MarkerOverlayService;
class ReduceMotion;
class RestoredWindowFlashService;
class ShortcutRecordings;
class SystemAppearanceObserver;
class WindowPresenter;

// The model with everything it stands on, wired as the program runs on an X11 desktop: the X11
// backend on one connection with its display and application events, hot keys as root grabs on
// that connection, the login session and sleep from the system bus, the appearance, animation
// switch and file manager from the session bus, the keyboard layout's key labels, application
// icons, the presenter and the overlays on the real clock. The model starts its bootstrap when it
// is made. Tests and benchmarks build the same wiring with a display, store and buses of their
// own.
//
// Without an X server the program runs on a desktop that has nothing to offer (no access, no
// screens, no windows), so that the panel shows why; an X server without an EWMH window manager
// is the X11 backend's own "no access".
//
// Main thread only; made after the application object and gone before it.
class X11Program {
public:
    struct Setup {
        // ":N"; the environment's DISPLAY when empty.
        std::string display;
        StorePaths storePaths;
        // Buses that are not connected leave their signals silent and their services absent.
        QDBusConnection systemBus{QStringLiteral("ostrel-no-system-bus")};
        QDBusConnection sessionBus{QStringLiteral("ostrel-no-session-bus")};

        // The user's own desktop: DISPLAY, the default store folder, the machine's buses.
        static Setup desktop();
    };

    explicit X11Program(Setup setup);
    // The orderly end of `shutDown()`.
    ~X11Program();

    X11Program(const X11Program &) = delete;
    X11Program &operator=(const X11Program &) = delete;

    // False when no X server answered and the program runs on the unavailable desktop.
    bool hasXServer() const;
    // Whether a compositing manager runs now (translucent windows show as such).
    bool isCompositing() const;

    AppModel &model();
    WindowPresenter &presenter();
    MarkerOverlayService &markers();
    RestoredWindowFlashService &flash();
    SystemAppearanceObserver &systemAppearance();
    KeyboardLayoutObserver &keyboardLayout();
    ShortcutRecordings &shortcutRecordings();
    AppIconProvider &appIcons();
    ReduceMotion &reduceMotion();
    SystemBackend system();
    const Setup &setup() const;

    // Keeps a window of the program's own off the taskbar; call while it is not shown. Nothing
    // without an X server.
    void keepOffTaskbar(quint64 windowID);

    // Closes every window and alert the presenter holds, without their close actions.
    void closeWindows();
    // Windows first, then the model (which waits for a pass still running), then the services;
    // the hot keys give up their grabs. Nothing is left to save: every change was stored when it
    // was made. Safe to call more than once.
    void shutDown();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace ostrel
