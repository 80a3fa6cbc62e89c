#pragma once

#include "system/PointerButtons.h"

#include <QCoro/QCoroTask>

#include <functional>

namespace ostrel {

// Asked before each write of a frame; true lets the write go ahead. It runs on the main
// thread, where the window service's callers await it.
using WriteGate = std::function<QCoro::Task<bool>()>;

// The gate of automatic restores: no window is moved while a mouse button is held, so that
// a window the user is dragging does not jump under the pointer.
WriteGate mouseButtonWriteGate(PointerButtons &pointer);

} // namespace ostrel
