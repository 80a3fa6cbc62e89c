#include "model/CaptureError.h"
#include "platform/AX.h"
#include "platform/DisplayGeometry.h"
#include "platform/WindowService.h"
#include "system/AXAttribute.h"

#include <QUuid>

#include <algorithm>

namespace ostrel {

namespace {

constexpr double minimumWidth = 80.0;
constexpr double minimumHeight = 60.0;

// A window that passed the attribute tests and waits for proof that it is shown.
struct ScannedWindow {
    AXWindowIdentity window;
    QString role;
    QString subrole;
    RectD frame;
};

} // namespace

ScanOutput WindowService::scanNow(const QList<CurrentDisplay> &displays,
                                  const QSet<QString> &exclusions,
                                  const Cancellation &cancellation,
                                  std::optional<Clock::TimePoint> givenDeadline,
                                  bool includeHostnames)
{
    ScanOutput output;
    AccessibilityTrust &trust = *system_.trust;
    AccessibilityElements &elements = *system_.elements;
    RunningApplications &applications = *system_.applications;
    Clock &clock = *system_.clock;

    if (!trust.isProcessTrusted()) {
        output.permissionDenied = true;
        return output;
    }

    const qint32 ownPid = applications.ownProcessIdentifier();
    const std::optional<QString> ownBundleID = applications.ownBundleIdentifier();
    const QList<CGWindowEntry> rows = activeDesktopWindows();
    const Clock::TimePoint deadline = givenDeadline.value_or(clock.now() + seconds(scanDuration));
    const QList<RunningApplication> running = applications.runningApplications();

    QSet<qint32> excludedPids;
    for (const RunningApplication &application : running) {
        if (!application.isTerminated && application.bundleIdentifier
            && exclusions.contains(*application.bundleIdentifier)) {
            excludedPids.insert(application.pid);
        }
    }
    output.excludedWindowCount = std::count_if(rows.begin(), rows.end(),
        [&excludedPids](const CGWindowEntry &row) { return excludedPids.contains(row.pid); });

    // Sorted through pointers: the records stay where the system listed them.
    QList<const RunningApplication *> eligible;
    for (const RunningApplication &application : running) {
        if (application.activationPolicy != ActivationPolicy::regular || application.isTerminated
            || application.isHidden || application.pid == ownPid
            || application.bundleIdentifier == ownBundleID
            || (application.bundleIdentifier
                && exclusions.contains(*application.bundleIdentifier))) {
            continue;
        }
        eligible.append(&application);
    }
    std::stable_sort(eligible.begin(), eligible.end(),
                     [](const RunningApplication *a, const RunningApplication *b) {
                         return a->localizedName.value_or(QString())
                              < b->localizedName.value_or(QString());
                     });

    QHash<QString, int> processCount;
    for (const RunningApplication *application : eligible) {
        if (application->bundleIdentifier) {
            ++processCount[*application->bundleIdentifier];
        }
    }
    QHash<QString, int> completedCount;

    const auto stopRequested = [&]() {
        if (cancellation && cancellation->isCancelled()) {
            output.wasCancelled = true;
            return true;
        }
        if (clock.now() >= deadline) {
            output.timedOut = true;
            return true;
        }
        return false;
    };

    for (const RunningApplication *eligibleApplication : eligible) {
        const RunningApplication &application = *eligibleApplication;
        if (stopRequested()) {
            break;
        }
        if (!application.bundleIdentifier || !application.localizedName) {
            continue;
        }
        const QString &bundleID = *application.bundleIdentifier;
        const QString &name = *application.localizedName;
        const qint32 pid = application.pid;
        ++output.scannedApplications;

        QList<CGWindowEntry> applicationRows;
        for (const CGWindowEntry &row : rows) {
            if (row.pid == pid) {
                applicationRows.append(row);
            }
        }
        const AXElement applicationElement = elements.applicationElement(pid);
        elements.setMessagingTimeout(applicationElement, applicationTimeout);

        // An application with nothing on this desktop is not asked at all.
        QList<AXElement> windowElements;
        if (!applicationRows.isEmpty()) {
            const AX::WindowListRead list = AX::windowList(elements, applicationElement);
            if (list.error) {
                output.incompleteBundleIDs.insert(bundleID);
                continue;
            }
            windowElements = list.windows;
        }

        bool incomplete = false;
        bool stopped = false;
        QHash<AXWindowIdentity, RectD> frames;
        QList<ScannedWindow> kept;
        for (AXElement window : windowElements) {
            if (stopRequested()) {
                stopped = true;
                break;
            }
            elements.setMessagingTimeout(window, scanWindowTimeout);
            const std::optional<QString> role = AX::string(elements, window, AXAttribute::role);
            if (!role) {
                ++output.skippedCount;
                incomplete = true;
                continue;
            }
            if (*role != QString(AXRoleValue::window)) {
                ++output.skippedCount;
                continue;
            }
            if (AX::boolean(elements, window, AXAttribute::minimized) == true) {
                ++output.skippedCount;
                continue;
            }
            const std::optional<RectD> frame = AX::frame(elements, window);
            if (!frame || !frame->isUsableFrame()) {
                ++output.skippedCount;
                incomplete = true;
                continue;
            }
            const AXWindowIdentity identity{pid, window};
            frames.insert(identity, *frame);
            const std::optional<QString> subrole =
                AX::string(elements, window, AXAttribute::subrole);
            if (!subrole) {
                ++output.skippedCount;
                incomplete = true;
                continue;
            }
            if (*subrole != QString(AXRoleValue::standardWindow) || frame->width < minimumWidth
                || frame->height < minimumHeight
                || isFullscreenWindow(window, *frame, displays)) {
                ++output.skippedCount;
                continue;
            }
            kept.append({identity, *role, *subrole, *frame});
        }
        if (stopped) {
            break;
        }
        if (incomplete) {
            output.incompleteBundleIDs.insert(bundleID);
        }

        VisibilityScan visibility;
        try {
            visibility = VisibilityScan::pair(frames, applicationRows, deadline, clock);
        } catch (const CaptureError &) {
            output.timedOut = true;
            break;
        }
        if (visibility.ambiguous) {
            output.incompleteBundleIDs.insert(bundleID);
            incomplete = true;
        }

        for (const ScannedWindow &scanned : kept) {
            const auto evidence = visibility.evidence.constFind(scanned.window);
            if (evidence == visibility.evidence.constEnd()) {
                ++output.skippedCount;
                continue;
            }
            WindowReference reference;
            reference.id = QUuid::createUuid();
            reference.element = scanned.window.element;
            reference.pid = pid;
            reference.bundleID = bundleID;
            reference.appName = name;
            reference.role = scanned.role;
            reference.subrole = scanned.subrole;
            reference.windowID = evidence->windowID;
            reference.frame = scanned.frame;
            output.windows.append(reference);
        }

        if (incomplete) {
            continue;
        }
        if (++completedCount[bundleID] == processCount.value(bundleID)) {
            output.completedBundleIDs.insert(bundleID);
        }
    }

    for (auto it = processCount.constBegin(); it != processCount.constEnd(); ++it) {
        if (!output.completedBundleIDs.contains(it.key())) {
            output.incompleteBundleIDs.insert(it.key());
        }
    }

    if (includeHostnames && !output.timedOut && !output.wasCancelled && !output.windows.isEmpty()) {
        const Clock::TimePoint hostnameDeadline =
            std::min(clock.now() + seconds(hostnamePhaseDuration), deadline);
        for (WindowReference &window : output.windows) {
            if (!browserBundleIDs_.contains(window.bundleID)) {
                continue;
            }
            if (cancellation && cancellation->isCancelled()) {
                output.wasCancelled = true;
                break;
            }
            // Running out of time here only leaves the remaining windows without host names.
            if (clock.now() >= hostnameDeadline) {
                break;
            }
            const std::optional<QString> host =
                hostname(window.element, window.bundleID, hostnameDeadline, cancellation);
            if (host) {
                window = window.updating(window.frame, host, std::nullopt);
            }
        }
    }

    output.permissionDenied = !trust.isProcessTrusted();
    return output;
}

} // namespace ostrel
