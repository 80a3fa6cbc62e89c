#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <optional>

namespace ostrel {

// How an application presents itself: a regular application has ordinary windows the user
// works with; an accessory one lives in a tray or menu bar; a prohibited one shows nothing.
enum class ActivationPolicy { regular, accessory, prohibited };

struct RunningApplication {
    qint32 pid = 0;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> localizedName;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    bool isHidden = false;
    bool isTerminated = false;

    friend bool operator==(const RunningApplication &, const RunningApplication &) = default;
};

// The applications running now, and the program's own identity among them.
//
// A backend must list the applications in a stable order of its own (the scan keeps that
// order among applications of equal name), answer from any thread, and never block for long:
// the list is read once per scan and once per batch of revalidations.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;

    virtual QList<RunningApplication> runningApplications() = 0;
    virtual qint32 ownProcessIdentifier() = 0;
    // The program's own bundle identifier; absent when it has none.
    virtual std::optional<QString> ownBundleIdentifier() = 0;

    // The running application with this process identifier, if any.
    virtual std::optional<RunningApplication> application(qint32 pid)
    {
        const QList<RunningApplication> all = runningApplications();
        const auto it = std::find_if(all.begin(), all.end(),
                                     [pid](const RunningApplication &a) { return a.pid == pid; });
        if (it == all.end()) {
            return std::nullopt;
        }
        return *it;
    }
};

} // namespace ostrel
