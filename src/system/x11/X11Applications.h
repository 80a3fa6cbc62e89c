#pragma once

#include "system/RunningApplications.h"
#include "system/x11/X11Desktop.h"

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
};

} // namespace ostrel::x11
