#include "system/x11/X11WindowServerList.h"

namespace ostrel::x11 {

std::optional<QList<WindowServerRow>> X11WindowServerList::windowList()
{
    const auto snapshot = desktop_.snapshot(deadlineIn(1.0));
    if (!snapshot) {
        return std::nullopt;
    }
    const X11Connection &connection = desktop_.connection();
    QList<WindowServerRow> rows;
    for (auto it = snapshot->root.stacking.crbegin(); it != snapshot->root.stacking.crend(); ++it) {
        const X11WindowInfo *info = snapshot->find(*it);
        if (!info || isMinimized(*info, connection)
            || !isOnDesktop(*info, snapshot->root.currentDesktop)) {
            continue;
        }
        const WindowKind kind = windowKind(*info, connection);
        if (kind == WindowKind::desktop) {
            continue;
        }
        WindowServerRow row;
        if (info->pid) {
            row.ownerPID = *info->pid;
        }
        row.windowNumber = info->window;
        row.layer = kind == WindowKind::dock ? dockLayer : 0;
        row.alpha = info->opacity;
        const RectD frame = info->visibleFrameInRoot();
        row.bounds = RectD{frame.x - snapshot->originX, frame.y - snapshot->originY, frame.width,
                           frame.height};
        rows.append(row);
    }
    return rows;
}

} // namespace ostrel::x11
