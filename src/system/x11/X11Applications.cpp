#include "system/x11/X11Applications.h"

#include <unistd.h>

namespace ostrel::x11 {

QList<RunningApplication> X11Applications::runningApplications()
{
    QList<RunningApplication> apps;
    const auto snapshot = desktop_.structure(deadlineIn(1.0));
    if (!snapshot) {
        return apps;
    }
    const std::pair<quint64, quint64> version{snapshot->generation, snapshot->structure};
    {
        std::lock_guard lock(mutex_);
        if (listedFor_ == version) {
            return listed_;
        }
    }
    QHash<qint32, int> byPid;
    const X11Connection &connection = desktop_.connection();
    for (const X11WindowInfo &info : snapshot->windows) {
        if (!info.pid) {
            continue; // a client whose process nobody knows cannot be addressed as an application
        }
        const WindowKind kind = windowKind(info, connection);
        const bool regularWindow = kind == WindowKind::normal
            && !info.hasState(connection.atom(Atom::NetWmStateSkipTaskbar));
        auto it = byPid.constFind(*info.pid);
        if (it == byPid.constEnd()) {
            // The first window of a process names it.
            RunningApplication app;
            app.pid = *info.pid;
            const X11Desktop::Identity identity = desktop_.identify(info);
            if (!identity.bundleID.isEmpty()) {
                app.bundleIdentifier = identity.bundleID;
            }
            if (!identity.name.isEmpty()) {
                app.localizedName = identity.name;
            }
            app.activationPolicy =
                regularWindow ? ActivationPolicy::regular : ActivationPolicy::accessory;
            byPid.insert(app.pid, int(apps.size()));
            apps.append(app);
        } else if (regularWindow) {
            apps[*it].activationPolicy = ActivationPolicy::regular;
        }
    }
    std::lock_guard lock(mutex_);
    listedFor_ = version;
    listed_ = apps;
    return apps;
}

qint32 X11Applications::ownProcessIdentifier()
{
    return static_cast<qint32>(getpid());
}

std::optional<QString> X11Applications::ownBundleIdentifier()
{
    return QStringLiteral("local.ostrel.app");
}

} // namespace ostrel::x11
