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

// What the scan found of one application process.
struct ApplicationScan {
    const QString &bundleID;
    const QString &name;
    qint32 pid;
    QList<CGWindowEntry> rows; // its windows on the active desktop
    // Every window whose frame could be read, reported or not: visibility pairs all of them
    // with the rows, so that an unreported window cannot take a reported one's row.
    QHash<AXWindowIdentity, RectD> frames{};
    QList<ScannedWindow> kept{};
    bool incomplete = false; // read only in part: its application is not complete
};

// Why a window is not reported: it is not an ordinary window, or something about it could not
// be read, which leaves its application read only in part.
enum class Skip { notOrdinary, unreadable };

// Whether the scan goes on after an application.
enum class AfterApplication { next, stop };

} // namespace

// One scan's working state. Its steps run in order on the actor's thread, and each checks the
// cancellation and the deadline exactly where the scan has always checked them.
struct WindowService::ScanPass {
    ScanPass(WindowService &service, const QList<CurrentDisplay> &displays,
             const QSet<QString> &exclusions, const Cancellation &cancellation)
        : service(service)
        , elements(*service.system_.elements)
        , applications(*service.system_.applications)
        , clock(*service.system_.clock)
        , displays(displays)
        , exclusions(exclusions)
        , cancellation(cancellation)
    {
    }

    WindowService &service;
    AccessibilityElements &elements;
    RunningApplications &applications;
    Clock &clock;
    const QList<CurrentDisplay> &displays;
    const QSet<QString> &exclusions;
    const Cancellation &cancellation;

    QList<CGWindowEntry> rows; // the active desktop's windows, of every application
    Clock::TimePoint deadline;
    // Read only through const access, so that it never detaches: `eligible` points into it.
    QList<RunningApplication> running;
    // Sorted through pointers: the records stay where the system listed them.
    QList<const RunningApplication *> eligible;
    QHash<QString, int> processCount;   // eligible processes per application
    QHash<QString, int> completedCount; // of those, the ones read without a failure
    ScanOutput output;

    void start(std::optional<Clock::TimePoint> givenDeadline)
    {
        const qint32 ownPid = applications.ownProcessIdentifier();
        const std::optional<QString> ownBundleID = applications.ownBundleIdentifier();
        rows = service.activeDesktopWindows();
        deadline = givenDeadline.value_or(clock.now() + seconds(scanDuration));
        running = applications.runningApplications();
        countExcludedWindows();
        chooseEligible(ownPid, ownBundleID);
    }

    void countExcludedWindows()
    {
        QSet<qint32> excludedPids;
        for (const RunningApplication &application : std::as_const(running)) {
            if (!application.isTerminated && application.bundleIdentifier
                && exclusions.contains(*application.bundleIdentifier)) {
                excludedPids.insert(application.pid);
            }
        }
        output.excludedWindowCount =
            std::count_if(rows.begin(), rows.end(), [&excludedPids](const CGWindowEntry &row) {
                return excludedPids.contains(row.pid);
            });
    }

    // The regular, visible, not excluded applications other than this program, by name.
    void chooseEligible(qint32 ownPid, const std::optional<QString> &ownBundleID)
    {
        for (const RunningApplication &application : std::as_const(running)) {
            if (application.activationPolicy != ActivationPolicy::regular
                || application.isTerminated || application.isHidden || application.pid == ownPid
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
        for (const RunningApplication *application : std::as_const(eligible)) {
            if (application->bundleIdentifier) {
                ++processCount[*application->bundleIdentifier];
            }
        }
    }

    bool stopRequested()
    {
        if (cancellation && cancellation->isCancelled()) {
            output.wasCancelled = true;
            return true;
        }
        if (clock.now() >= deadline) {
            output.timedOut = true;
            return true;
        }
        return false;
    }

    AfterApplication scanApplication(const RunningApplication &application)
    {
        if (!application.bundleIdentifier || !application.localizedName) {
            return AfterApplication::next;
        }
        ++output.scannedApplications;
        ApplicationScan scan{*application.bundleIdentifier, *application.localizedName,
                             application.pid, rowsOf(application.pid)};
        const AXElement applicationElement = elements.applicationElement(scan.pid);
        elements.setMessagingTimeout(applicationElement, applicationTimeout);

        // An application with nothing on this desktop is not asked at all.
        QList<AXElement> windows;
        if (!scan.rows.isEmpty()) {
            const AX::WindowListRead list = AX::windowList(elements, applicationElement);
            if (list.error) {
                output.incompleteBundleIDs.insert(scan.bundleID);
                return AfterApplication::next;
            }
            windows = list.windows;
        }
        for (AXElement window : std::as_const(windows)) {
            if (stopRequested()) {
                return AfterApplication::stop;
            }
            examineWindow(scan, window);
        }
        if (scan.incomplete) {
            output.incompleteBundleIDs.insert(scan.bundleID);
        }

        VisibilityScan visibility;
        try {
            visibility = VisibilityScan::pair(scan.frames, scan.rows, deadline, clock);
        } catch (const CaptureError &) {
            output.timedOut = true;
            return AfterApplication::stop;
        }
        if (visibility.ambiguous) {
            output.incompleteBundleIDs.insert(scan.bundleID);
            scan.incomplete = true;
        }
        report(scan, visibility);
        if (!scan.incomplete
            && ++completedCount[scan.bundleID] == processCount.value(scan.bundleID)) {
            output.completedBundleIDs.insert(scan.bundleID);
        }
        return AfterApplication::next;
    }

    QList<CGWindowEntry> rowsOf(qint32 pid) const
    {
        QList<CGWindowEntry> own;
        for (const CGWindowEntry &row : rows) {
            if (row.pid == pid) {
                own.append(row);
            }
        }
        return own;
    }

    // The attribute tests, cheapest and most telling first; the frame is kept for pairing as
    // soon as it is read, before the subrole decides whether the window is reported.
    void examineWindow(ApplicationScan &scan, AXElement window)
    {
        elements.setMessagingTimeout(window, scanWindowTimeout);
        const std::optional<QString> role = AX::string(elements, window, AXAttribute::role);
        if (!role) {
            return skip(scan, Skip::unreadable);
        }
        if (*role != QString(AXRoleValue::window)) {
            return skip(scan, Skip::notOrdinary);
        }
        if (AX::boolean(elements, window, AXAttribute::minimized) == true) {
            return skip(scan, Skip::notOrdinary);
        }
        const std::optional<RectD> frame = AX::frame(elements, window);
        if (!frame || !frame->isUsableFrame()) {
            return skip(scan, Skip::unreadable);
        }
        const AXWindowIdentity identity{scan.pid, window};
        scan.frames.insert(identity, *frame);
        const std::optional<QString> subrole = AX::string(elements, window, AXAttribute::subrole);
        if (!subrole) {
            return skip(scan, Skip::unreadable);
        }
        if (isSpecial(window, *subrole, *frame)) {
            return skip(scan, Skip::notOrdinary);
        }
        scan.kept.append({identity, *role, *subrole, *frame});
    }

    // Dialogs, palettes, very small and fullscreen windows are not part of a layout.
    bool isSpecial(AXElement window, const QString &subrole, const RectD &frame)
    {
        return subrole != QString(AXRoleValue::standardWindow) || frame.width < minimumWidth
            || frame.height < minimumHeight || service.isFullscreenWindow(window, frame, displays);
    }

    void skip(ApplicationScan &scan, Skip why)
    {
        ++output.skippedCount;
        if (why == Skip::unreadable) {
            scan.incomplete = true;
        }
    }

    // The kept windows that visibility proved shown, in the order they were read.
    void report(const ApplicationScan &scan, const VisibilityScan &visibility)
    {
        for (const ScannedWindow &scanned : scan.kept) {
            const auto evidence = visibility.evidence.constFind(scanned.window);
            if (evidence == visibility.evidence.constEnd()) {
                ++output.skippedCount;
                continue;
            }
            WindowReference reference;
            reference.id = QUuid::createUuid();
            reference.element = scanned.window.element;
            reference.pid = scan.pid;
            reference.bundleID = scan.bundleID;
            reference.appName = scan.name;
            reference.role = scanned.role;
            reference.subrole = scanned.subrole;
            reference.windowID = evidence->windowID;
            reference.frame = scanned.frame;
            output.windows.append(reference);
        }
    }

    // An application is complete only when every one of its eligible processes was; those
    // the scan did not reach are not.
    void markUnfinishedIncomplete()
    {
        for (auto it = processCount.constBegin(); it != processCount.constEnd(); ++it) {
            if (!output.completedBundleIDs.contains(it.key())) {
                output.incompleteBundleIDs.insert(it.key());
            }
        }
    }

    void readHostnames()
    {
        const Clock::TimePoint hostnameDeadline =
            std::min(clock.now() + seconds(hostnamePhaseDuration), deadline);
        for (WindowReference &window : output.windows) {
            if (!service.browserBundleIDs_.contains(window.bundleID)) {
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
                service.hostname(window.element, window.bundleID, hostnameDeadline, cancellation);
            if (host) {
                window = window.updating(window.frame, host, std::nullopt);
            }
        }
    }
};

ScanOutput WindowService::scanNow(const QList<CurrentDisplay> &displays,
                                  const QSet<QString> &exclusions, const Cancellation &cancellation,
                                  std::optional<Clock::TimePoint> givenDeadline,
                                  bool includeHostnames)
{
    AccessibilityTrust &trust = *system_.trust;
    if (!trust.isProcessTrusted()) {
        ScanOutput output;
        output.permissionDenied = true;
        return output;
    }

    ScanPass pass(*this, displays, exclusions, cancellation);
    pass.start(givenDeadline);
    for (const RunningApplication *application : std::as_const(pass.eligible)) {
        if (pass.stopRequested() || pass.scanApplication(*application) == AfterApplication::stop) {
            break;
        }
    }
    pass.markUnfinishedIncomplete();

    const ScanOutput &output = pass.output;
    if (includeHostnames && !output.timedOut && !output.wasCancelled && !output.windows.isEmpty()) {
        pass.readHostnames();
    }

    pass.output.permissionDenied = !trust.isProcessTrusted();
    return std::move(pass.output);
}

} // namespace ostrel
