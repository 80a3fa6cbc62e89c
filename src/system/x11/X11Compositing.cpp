#include "system/x11/X11Compositing.h"

namespace ostrel::x11 {

namespace {

constexpr double replyTimeout = 0.5;

} // namespace

X11Compositing::X11Compositing(std::shared_ptr<X11Connection> connection)
    : connection_(std::move(connection))
{
    if (connection_) {
        selection_ = connection_->internAtom("_NET_WM_CM_S0", deadlineIn(replyTimeout));
    }
}

bool X11Compositing::isActive()
{
    if (!connection_ || selection_ == XCB_ATOM_NONE) {
        return false;
    }
    auto owner = connection_->reply<xcb_get_selection_owner_reply_t>(
        xcb_get_selection_owner(connection_->raw(), selection_), deadlineIn(replyTimeout));
    return owner.ok() && owner->owner != XCB_WINDOW_NONE;
}

} // namespace ostrel::x11
