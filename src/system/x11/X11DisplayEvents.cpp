#include "system/x11/X11DisplayEvents.h"

#include <algorithm>
#include <string>

namespace ostrel::x11 {

namespace {

// Work areas per desktop beyond this many are not followed (their changes still arrive with
// _NET_WORKAREA, which every EWMH window manager rewrites along with them).
constexpr int followedDesktops = 16;

} // namespace

X11DisplayEvents::X11DisplayEvents(X11Desktop &desktop, ScreenList &screens, QObject *parent)
    : DisplayEvents(parent)
    , desktop_(desktop)
    , screens_(screens)
{
    X11Connection &connection = desktop_.connection();
    xcb_connection_t *c = connection.raw();

    std::vector<std::string> names{"_NET_WORKAREA"};
    for (int i = 0; i < followedDesktops; ++i) {
        names.push_back("_GTK_WORKAREAS_D" + std::to_string(i));
    }
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const std::string &name : names) {
        cookies.push_back(xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()));
    }
    const Deadline deadline = deadlineIn(1.0);
    for (const xcb_intern_atom_cookie_t &cookie : cookies) {
        auto reply = connection.reply<xcb_intern_atom_reply_t>(cookie, deadline);
        if (reply.ok()) {
            rootAtoms_.push_back(reply->atom);
        }
    }
    rootAtoms_.push_back(connection.atom(Atom::NetCurrentDesktop));
    // A dock that comes or goes changes the work area of its monitor.
    rootAtoms_.push_back(connection.atom(Atom::NetClientList));
    windowAtoms_ = {connection.atom(Atom::NetWmStrut), connection.atom(Atom::NetWmStrutPartial)};

    // RandR's notifications are selected by the desktop, which needs them itself.

    burst_.setSingleShot(true);
    burst_.setInterval(burstMs);
    connect(&burst_, &QTimer::timeout, this, &X11DisplayEvents::check);

    last_ = screens_.screens();
    subscription_ =
        connection.subscribe([this](const xcb_generic_event_t &event) { handle(event); });
}

X11DisplayEvents::~X11DisplayEvents()
{
    // Returns only once no handler runs, so none can post to this object afterwards.
    desktop_.connection().unsubscribe(subscription_);
}

void X11DisplayEvents::handle(const xcb_generic_event_t &event)
{
    const uint8_t type = event.response_type & 0x7F;
    bool relevant = false;
    if (desktop_.isMonitorEvent(event)) {
        relevant = true;
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto &property = reinterpret_cast<const xcb_property_notify_event_t &>(event);
        const std::vector<xcb_atom_t> &atoms =
            property.window == desktop_.connection().root() ? rootAtoms_ : windowAtoms_;
        relevant = std::find(atoms.begin(), atoms.end(), property.atom) != atoms.end();
    }
    if (relevant && !posted_.exchange(true)) {
        QMetaObject::invokeMethod(this, &X11DisplayEvents::eventArrived, Qt::QueuedConnection);
    }
}

void X11DisplayEvents::eventArrived()
{
    posted_.store(false);
    if (!burst_.isActive()) {
        burst_.start();
    }
}

void X11DisplayEvents::check()
{
    const QList<Screen> now = screens_.screens();
    // No screens at all is real only when the server still answers; a read that timed out
    // says nothing about the displays.
    if (!now.isEmpty() || desktop_.connection().sync(deadlineIn(1.0))) {
        const bool changed = now != last_;
        last_ = now;
        if (changed) {
            emit screenParametersChanged();
        }
    }
    emit screensChecked();
}

} // namespace ostrel::x11
