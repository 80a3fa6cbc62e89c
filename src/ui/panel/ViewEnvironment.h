#pragma once

#include <functional>

namespace ostrel {

class Announcer;
class AppIconProvider;
class AppModel;
class Clock;
class InstalledApplications;
class KeyboardLayoutObserver;
class MarkerOverlayService;
class ReduceMotion;
class ShortcutRecordings;
class SystemAppearanceObserver;
class WindowPresenter;

// What the program hands every view instead of process-wide singletons. Nothing here is owned
// by the views; whoever builds them keeps it alive longer. Tests fill in what they need: a view
// copes with the optional sources being absent (no reduce-motion source means motion is
// allowed, no appearance observer means light, no clock means the real time).
struct ViewEnvironment {
    AppModel *model = nullptr;
    WindowPresenter *presenter = nullptr;
    MarkerOverlayService *markers = nullptr;
    ReduceMotion *reduceMotion = nullptr;
    SystemAppearanceObserver *systemAppearance = nullptr;
    // The key labels that shortcut texts are formed with, and when they change; without it the
    // texts use the fixed key names.
    KeyboardLayoutObserver *keyboardLayout = nullptr;
    // The model's own, so that the hot keys are held off while a recorder records. Views with a
    // shortcut recorder need it.
    ShortcutRecordings *shortcutRecordings = nullptr;
    Announcer *announcer = nullptr;
    // The time the spinners turn by.
    Clock *clock = nullptr;
    // The applications' icons; without it every application shows its stand-in.
    AppIconProvider *appIcons = nullptr;
    // The applications the settings window offers to leave alone.
    InstalledApplications *installedApplications = nullptr;

    // Whether the panel opens from a tray icon; without a tray host it is a window titled
    // "Ostrel", and texts that send the user to the panel say so.
    bool panelInTray = true;

    std::function<void()> openSettings;
    std::function<void()> quit;
};

} // namespace ostrel
