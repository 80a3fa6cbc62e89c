#pragma once

#include <QtGlobal>

namespace ostrel {

// Which mouse buttons are held down now.
//
// A backend must answer at once on the main thread: bit 0 is the primary button, bit 1 the
// secondary one, further bits further buttons; 0 means none is pressed.
class PointerButtons {
public:
    virtual ~PointerButtons() = default;
    virtual quint32 pressedMouseButtons() = 0;
};

} // namespace ostrel
