#pragma once

#include "system/x11/X11Connection.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace ostrel::x11 {

// Hands out the connection's events on the main thread as soon as they arrive, so subscribers
// hear of a display change, a window list change or a key press even while no other thread
// happens to be waiting for a reply. Every user of a connection shares its one pump (two
// notifiers on one socket would fight over it); the pump lives as long as someone holds it.
// Main thread only.
class X11EventPump : public QObject {
    Q_OBJECT

public:
    static std::shared_ptr<X11EventPump>
    forConnection(const std::shared_ptr<X11Connection> &connection);
    ~X11EventPump() override;

private:
    explicit X11EventPump(std::shared_ptr<X11Connection> connection);
    void pump();

    std::shared_ptr<X11Connection> connection_;
    QSocketNotifier notifier_;
};

} // namespace ostrel::x11
