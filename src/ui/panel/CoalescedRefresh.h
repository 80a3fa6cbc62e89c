#pragma once

#include <QObject>

#include <functional>

namespace ostrel {

// A view's redraw after what it shows changed: asked for by every change, run once on a later
// turn of the event loop however many changes came in between, and not at all once the view is
// gone. Views read the model whole in their redraw, so one read per turn sees every change.
class CoalescedRefresh {
public:
    // `owner` is the view; the refresh runs only while it exists.
    CoalescedRefresh(QObject *owner, std::function<void()> refresh);
    CoalescedRefresh(const CoalescedRefresh &) = delete;
    CoalescedRefresh &operator=(const CoalescedRefresh &) = delete;

    // Asks for the refresh; one asked for already and not yet run covers this one too.
    void schedule();

private:
    QObject *owner_;
    std::function<void()> refresh_;
    bool scheduled_ = false;
};

} // namespace ostrel
