#pragma once

#include <functional>

class QWidget;

namespace ostrel {

// The keys of a window that is not a dialog: Escape and Return are shortcuts of the window, taken
// before a focused field sees them, and they press a button the way a click would, so a disabled
// or hidden button does nothing.
namespace WindowKeys {

// Escape runs `action` while `host`'s window is active.
void onEscape(QWidget *host, std::function<void()> action);

// Return and the keypad's Enter run `action` while `host`'s window is active.
void onReturn(QWidget *host, std::function<void()> action);

} // namespace WindowKeys

} // namespace ostrel
