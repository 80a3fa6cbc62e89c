#pragma once

#include "system/RunningApplications.h"
#include "system/x11/X11Desktop.h"

#include <mutex>

namespace ostrel::x11 {

// The X clients grouped by process. An application is regular when it has a normal window that
// a taskbar would show; "hidden" does not exist on X11.
class X11Applications : public RunningApplications {
public:
    explicit X11Applications(X11Desktop &desktop)
        : desktop_(desktop)
    {
    }
    QList<RunningApplication> runningApplications() override;
    qint32 ownProcessIdentifier() override;
    std::optional<QString> ownBundleIdentifier() override;

private:
    X11Desktop &desktop_;
    // The list of the last snapshot read: where clients stand does not change what runs, and a
    // restore asks before each window's move.
    std::mutex mutex_;
    std::pair<quint64, quint64> listedFor_{0, 0}; // the snapshot's generation and structure
    QList<RunningApplication> listed_;
};

} // namespace ostrel::x11
