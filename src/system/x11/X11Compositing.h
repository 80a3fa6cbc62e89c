#pragma once

#include "system/Compositing.h"
#include "system/x11/X11Connection.h"

#include <memory>

namespace ostrel::x11 {

// A compositing manager announces itself by owning the selection _NET_WM_CM_S0 of the screen.
class X11Compositing : public Compositing {
public:
    explicit X11Compositing(std::shared_ptr<X11Connection> connection);

    bool isActive() override;

private:
    std::shared_ptr<X11Connection> connection_;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
};

} // namespace ostrel::x11
