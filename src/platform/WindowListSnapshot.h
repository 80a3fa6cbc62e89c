#pragma once

#include "model/RectD.h"
#include "model/SerialExecutor.h"
#include "system/WindowServerList.h"

#include <QList>
#include <QSet>

#include <optional>
#include <stop_token>

namespace ostrel {

// One on-screen window of the window-server list, as the restore flash tracks it.
struct OrderedWindow {
    quint32 id = 0;
    RectD bounds; // global top-left points

    friend bool operator==(const OrderedWindow &, const OrderedWindow &) = default;
};

namespace WindowListSnapshot {

// The on-screen windows, front to back, without those in `excluding` and without rows that are
// incomplete, invisible (alpha 0.01 or less) or not larger than 1 × 1 point. Absent when the list
// cannot be read. Any thread.
std::optional<QList<OrderedWindow>> read(WindowServerList &windowServer,
                                         const QSet<quint32> &excluding);

} // namespace WindowListSnapshot

// Reads the window list off the main thread for the restore flash's tracking, one read after the
// other.
class WindowListReader {
public:
    // The list must outlive the reader.
    explicit WindowListReader(WindowServerList &windowServer)
        : windowServer_(windowServer)
    {
    }

    // Absent when the list cannot be read, or when `stop` is asked before the read ends (the read
    // itself still runs to its end, and the reader waits for it when it goes).
    QCoro::Task<std::optional<QList<OrderedWindow>>> read(QSet<quint32> excluding,
                                                          std::stop_token stop = {});

private:
    WindowServerList &windowServer_;
    SerialExecutor executor_{QStringLiteral("WindowListReader")};
};

} // namespace ostrel
