#pragma once

#include "system/DisplayEvents.h"
#include "system/ScreenList.h"
#include "system/x11/X11Desktop.h"

#include <QList>
#include <QTimer>

#include <atomic>
#include <vector>

namespace ostrel::x11 {

// Display changes from the X server: RandR's screen, CRTC, output and output-property
// notifications, and changes of what makes up the monitors' work areas (the window manager's
// _NET_WORKAREA and _GTK_WORKAREAS_D<n>, the current desktop, the client list and the struts of
// docks). None of these events says whether anything the program sees has changed (xrandr
// repeats events for settings it leaves as they were, a window manager rewrites an unchanged
// work area), and a signal here cancels a running restore, so each burst of events leads to
// one fresh read of the screens, and only a list that differs from the last one is announced.
//
// The events arrive on whichever thread pumps the connection (see X11EventPump); the screens
// are read and the signal emitted on the main thread.
class X11DisplayEvents : public DisplayEvents {
    Q_OBJECT

public:
    // How long a burst of events may go on before the screens are read: one xrandr call or one
    // hot-plug sends a handful of events in quick succession.
    static constexpr int burstMs = 100;

    X11DisplayEvents(X11Desktop &desktop, ScreenList &screens, QObject *parent = nullptr);
    ~X11DisplayEvents() override;

signals:
    // After every read of the screens that events asked for, whether or not they had changed.
    void screensChecked();

private:
    void handle(const xcb_generic_event_t &event);
    void eventArrived();
    void check();

    X11Desktop &desktop_;
    ScreenList &screens_;
    // Written before the subscription starts, read-only afterwards.
    std::vector<xcb_atom_t> rootAtoms_;
    std::vector<xcb_atom_t> windowAtoms_;
    int subscription_ = 0;
    std::atomic<bool> posted_{false};
    QTimer burst_;
    QList<Screen> last_;
};

} // namespace ostrel::x11
