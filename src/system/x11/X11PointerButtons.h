#pragma once

#include "system/PointerButtons.h"
#include "system/x11/X11Connection.h"

#include <memory>

namespace ostrel::x11 {

// The buttons held down now, from the pointer's state mask: left is the primary button, right
// the secondary, middle the third. Wheel "buttons" are never held and are not reported.
class X11PointerButtons : public PointerButtons {
public:
    explicit X11PointerButtons(std::shared_ptr<X11Connection> connection)
        : connection_(std::move(connection))
    {
    }
    quint32 pressedMouseButtons() override;

private:
    std::shared_ptr<X11Connection> connection_;
};

} // namespace ostrel::x11
