#include "platform/CGWindowEntry.h"

#include <cmath>

namespace ostrel {

QList<CGWindowEntry> CGWindowEntry::activeDesktopWindows(WindowServerList &windowServer,
                                                         qint32 ownPid)
{
    const std::optional<QList<WindowServerRow>> rows = windowServer.windowList();
    if (!rows) {
        return {};
    }
    QList<CGWindowEntry> entries;
    for (const WindowServerRow &row : *rows) {
        if (!row.ownerPID || !row.windowNumber || !row.layer || !row.alpha || !row.bounds) {
            continue;
        }
        if (*row.ownerPID == ownPid || *row.layer != 0 || !(*row.alpha > 0.01)) {
            continue;
        }
        // A rectangle with a negative extent still covers its absolute width and height.
        const double width = std::fabs(row.bounds->width);
        const double height = std::fabs(row.bounds->height);
        if (!(width >= 50.0) || !(height >= 40.0)) {
            continue;
        }
        entries.append({*row.ownerPID, *row.windowNumber, *row.bounds});
    }
    return entries;
}

} // namespace ostrel
