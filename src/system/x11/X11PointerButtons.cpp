#include "system/x11/X11PointerButtons.h"

namespace ostrel::x11 {

quint32 X11PointerButtons::pressedMouseButtons()
{
    auto pointer = connection_->reply<xcb_query_pointer_reply_t>(
        xcb_query_pointer(connection_->raw(), connection_->root()), deadlineIn(0.25));
    if (!pointer.ok()) {
        return 0;
    }
    quint32 buttons = 0;
    if (pointer->mask & XCB_BUTTON_MASK_1) {
        buttons |= 1u << 0;
    }
    if (pointer->mask & XCB_BUTTON_MASK_3) {
        buttons |= 1u << 1;
    }
    if (pointer->mask & XCB_BUTTON_MASK_2) {
        buttons |= 1u << 2;
    }
    return buttons;
}

} // namespace ostrel::x11
