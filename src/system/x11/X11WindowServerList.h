#pragma once

#include "system/WindowServerList.h"
#include "system/x11/X11Desktop.h"

namespace ostrel::x11 {

// The managed windows shown on the current desktop (or on all desktops), front to back, from
// _NET_CLIENT_LIST_STACKING; minimized ones and desktop backgrounds are left out. Ordinary
// windows are on layer 0, docks and panels above it.
class X11WindowServerList : public WindowServerList {
public:
    static constexpr qint64 dockLayer = 20;
    explicit X11WindowServerList(X11Desktop &desktop)
        : desktop_(desktop)
    {
    }
    std::optional<QList<WindowServerRow>> windowList() override;
    std::optional<quint64> revision() override { return desktop_.structureRevision(); }

private:
    X11Desktop &desktop_;
};

} // namespace ostrel::x11
