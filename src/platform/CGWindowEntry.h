#pragma once

#include "model/RectD.h"
#include "system/WindowServerList.h"

#include <QList>

namespace ostrel {

// One row of the window-server list that can be an ordinary application window of another
// process on the active desktop.
struct CGWindowEntry {
    qint32 pid = 0;
    quint32 windowID = 0;
    RectD frame; // global points, as the window server reports it

    friend bool operator==(const CGWindowEntry &, const CGWindowEntry &) = default;

    // Reads the list once and keeps, in its order (front to back), the complete rows of other
    // processes on the normal layer that are visible (alpha above 0.01) and at least 50 × 40
    // points. Panels, menus, shadows and the program's own overlays fall away here; an
    // unreadable list gives no rows.
    static QList<CGWindowEntry> activeDesktopWindows(WindowServerList &windowServer, qint32 ownPid);
};

} // namespace ostrel
