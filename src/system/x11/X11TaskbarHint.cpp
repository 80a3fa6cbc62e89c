#include "system/x11/X11TaskbarHint.h"

#include <algorithm>
#include <vector>

namespace ostrel::x11 {

void keepOffTaskbar(X11Connection &connection, xcb_window_t window)
{
    xcb_connection_t *c = connection.raw();
    const xcb_atom_t state = connection.atom(Atom::NetWmState);
    std::vector<xcb_atom_t> states;
    auto current = connection.reply<xcb_get_property_reply_t>(
        xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 64), deadlineIn(1.0));
    if (current.ok() && current->format == 32 && current->type == XCB_ATOM_ATOM) {
        const auto *values =
            static_cast<const xcb_atom_t *>(xcb_get_property_value(current.reply.get()));
        states.assign(values, values + xcb_get_property_value_length(current.reply.get()) / 4);
    }
    for (const Atom wanted : {Atom::NetWmStateSkipTaskbar, Atom::NetWmStateSkipPager}) {
        if (std::find(states.begin(), states.end(), connection.atom(wanted)) == states.end()) {
            states.push_back(connection.atom(wanted));
        }
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    // A round trip: once it is answered, the server has the states before Qt maps the window.
    connection.reply<xcb_get_input_focus_reply_t>(xcb_get_input_focus(c), deadlineIn(1.0));
}

} // namespace ostrel::x11
