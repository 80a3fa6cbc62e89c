#pragma once

#include "system/AccessibilityTrust.h"
#include "system/TrustEvents.h"
#include "system/x11/X11Desktop.h"

#include <atomic>

namespace ostrel::x11 {

// The window manager arriving or leaving. At a login the program may well start before the
// window manager: it starts without trust, and nothing the user does tells it when the window
// manager has come, so the root's word on its window manager is followed here. Each burst of
// such events leads to one fresh read of the trust on the main thread, and only an answer that
// differs from the last one is announced.
class X11TrustEvents : public TrustEvents {
    Q_OBJECT

public:
    // Reads the trust once now: a change from this answer on is announced.
    X11TrustEvents(X11Desktop &desktop, AccessibilityTrust &trust, QObject *parent = nullptr);
    ~X11TrustEvents() override;

signals:
    // After every read of the trust that events asked for, whether or not it had changed.
    void trustChecked();

private:
    void handle(const xcb_generic_event_t &event);
    void check();

    X11Desktop &desktop_;
    AccessibilityTrust &trust_;
    int subscription_ = 0;
    std::atomic<bool> posted_{false};
    bool trusted_ = false;
};

} // namespace ostrel::x11
