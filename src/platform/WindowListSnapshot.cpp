#include "platform/WindowListSnapshot.h"

namespace ostrel {

std::optional<QList<OrderedWindow>> WindowListSnapshot::read(WindowServerList &windowServer,
                                                             const QSet<quint32> &excluding)
{
    const std::optional<QList<WindowServerRow>> rows = windowServer.windowList();
    if (!rows) {
        return std::nullopt;
    }
    QList<OrderedWindow> windows;
    for (const WindowServerRow &row : *rows) {
        if (!row.windowNumber || !row.alpha || !(*row.alpha > 0.01) || !row.bounds) {
            continue;
        }
        const RectD &bounds = *row.bounds;
        if (!(bounds.width > 1) || !(bounds.height > 1) || excluding.contains(*row.windowNumber)) {
            continue;
        }
        windows.append({*row.windowNumber, bounds});
    }
    return windows;
}

QCoro::Task<std::optional<QList<OrderedWindow>>> WindowListReader::read(QSet<quint32> excluding,
                                                                        std::stop_token stop)
{
    WindowServerList *windowServer = &windowServer_;
    QCoro::Task<std::optional<std::optional<QList<OrderedWindow>>>> reading = executor_.run(
        [windowServer, excluding] { return WindowListSnapshot::read(*windowServer, excluding); },
        std::move(stop));
    std::optional<std::optional<QList<OrderedWindow>>> windows = co_await std::move(reading);
    co_return windows.value_or(std::nullopt);
}

} // namespace ostrel
