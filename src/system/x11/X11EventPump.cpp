#include "system/x11/X11EventPump.h"

#include <QHash>

namespace ostrel::x11 {

namespace {

// A live pump keeps its connection alive, so a key can never name a reused address.
QHash<const X11Connection *, std::weak_ptr<X11EventPump>> &pumps()
{
    static QHash<const X11Connection *, std::weak_ptr<X11EventPump>> all;
    return all;
}

} // namespace

std::shared_ptr<X11EventPump>
X11EventPump::forConnection(const std::shared_ptr<X11Connection> &connection)
{
    if (!connection) {
        return nullptr;
    }
    if (std::shared_ptr<X11EventPump> existing = pumps().value(connection.get()).lock()) {
        return existing;
    }
    std::shared_ptr<X11EventPump> pump(new X11EventPump(connection));
    pumps().insert(connection.get(), pump);
    return pump;
}

X11EventPump::X11EventPump(std::shared_ptr<X11Connection> connection)
    : connection_(std::move(connection))
    , notifier_(xcb_get_file_descriptor(connection_->raw()), QSocketNotifier::Read)
{
    connect(&notifier_, &QSocketNotifier::activated, this, &X11EventPump::pump);
    // Whatever arrived before the notifier existed is already off the socket.
    pump();
}

X11EventPump::~X11EventPump()
{
    pumps().remove(connection_.get());
}

void X11EventPump::pump()
{
    connection_->pumpEvents();
    // What was read may be what a thread waits for.
    X11Connection::wakeWaiters();
    if (connection_->hasError()) {
        // A dead connection reads as always ready: listening on would spin.
        notifier_.setEnabled(false);
    }
}

} // namespace ostrel::x11
