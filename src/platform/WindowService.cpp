#include "platform/WindowService.h"

#include "model/CaptureError.h"
#include "platform/AX.h"
#include "platform/DisplayGeometry.h"
#include "system/AXAttribute.h"

namespace ostrel {

WindowService::WindowService(const SystemBackend &system, QSet<QString> browserBundleIDs)
    : system_(system)
    , browserBundleIDs_(std::move(browserBundleIDs))
{
}

QCoro::Task<ScanOutput> WindowService::scan(QList<CurrentDisplay> displays,
                                            QSet<QString> exclusions, Cancellation cancellation,
                                            std::optional<Clock::TimePoint> deadline,
                                            bool includeHostnames)
{
    return executor_.run([this, displays = std::move(displays), exclusions = std::move(exclusions),
                          cancellation = std::move(cancellation), deadline, includeHostnames] {
        return scanNow(displays, exclusions, cancellation, deadline, includeHostnames);
    });
}

QCoro::Task<CapturePreview> WindowService::capture(QList<CurrentDisplay> displays,
                                                   QSet<QString> exclusions,
                                                   Cancellation cancellation)
{
    return executor_.run([this, displays = std::move(displays), exclusions = std::move(exclusions),
                          cancellation = std::move(cancellation)] {
        return captureNow(displays, exclusions, cancellation);
    });
}

QCoro::Task<std::optional<WindowReference>>
WindowService::revalidate(WindowReference reference, QList<CurrentDisplay> displays)
{
    return executor_.run([this, reference = std::move(reference), displays = std::move(displays)] {
        return revalidateNow(reference, displays);
    });
}

QCoro::Task<bool> WindowService::isVisibleOnActiveDesktop(WindowReference reference, RectD frame)
{
    return executor_.run([this, reference = std::move(reference), frame] {
        return isVisibleOnActiveDesktopNow(reference, frame);
    });
}

QCoro::Task<std::optional<RectD>> WindowService::readFrame(WindowReference reference)
{
    return executor_.run(
        [this, reference = std::move(reference)] { return readFrameNow(reference); });
}

QCoro::Task<bool> WindowService::isOnActiveDesktop(WindowReference reference)
{
    return executor_.run(
        [this, reference = std::move(reference)] { return isOnActiveDesktopNow(reference); });
}

QCoro::Task<FrameApplyResult> WindowService::setFrame(RectD frame, WindowReference reference,
                                                      Cancellation cancellation,
                                                      WriteGate writeGate)
{
    const bool hasGate = bool(writeGate);
    std::shared_ptr<MoveBatch> batch = beginMoves(std::move(cancellation));
    if (!hasGate) {
        // Nothing to wait for elsewhere: the whole write is one operation of the actor.
        QCoro::Task<void> whole = executor_.run([batch, frame, reference] {
            batch->start(0, frame, reference, false);
            while (batch->collect(true).done.isEmpty() && batch->onTheirWay()) {
            }
        });
        co_await whole;
        co_return batch->result(0);
    }
    QCoro::Task<MoveBatch::Turn> first = executor_.run([batch, frame, reference] {
        batch->start(0, frame, reference, true);
        return batch->collect(false);
    });
    MoveBatch::Turn turn = co_await first;
    while (turn.done.isEmpty()) {
        if (!turn.atGate.isEmpty()) {
            // The gate runs here, on the awaiting (main) thread; the actor is free meanwhile.
            QCoro::Task<bool> gate = writeGate();
            const bool open = co_await gate;
            QCoro::Task<MoveBatch::Turn> next = resumeMove(batch, 0, open);
            turn = co_await next;
        } else {
            QCoro::Task<MoveBatch::Turn> next = collectMoves(batch, true);
            turn = co_await next;
        }
    }
    co_return batch->result(0);
}

QCoro::Task<void> WindowService::batch(std::function<void()> work)
{
    return executor_.run(std::move(work));
}

QCoro::Task<QList<std::optional<WindowReference>>>
WindowService::revalidateEach(QList<WindowReference> references, QList<CurrentDisplay> displays)
{
    return executor_.run(
        [this, references = std::move(references), displays = std::move(displays)] {
            return revalidateEachNow(references, displays);
        });
}

QList<std::optional<WindowReference>>
WindowService::revalidateEachNow(const QList<WindowReference> &references,
                                 const QList<CurrentDisplay> &displays)
{
    // Nothing moves between these checks, so the applications and the window-server list are
    // read once for all of them: read per window, they made the checks cost in proportion to
    // the square of the windows open.
    QList<std::optional<WindowReference>> fresh;
    if (references.isEmpty()) {
        return fresh;
    }
    const DesktopView view = desktopView();
    for (const WindowReference &reference : references) {
        fresh.append(revalidateIn(reference, displays, &view));
    }
    return fresh;
}

QCoro::Task<QList<std::optional<RectD>>>
WindowService::readFrames(QList<WindowReference> references, Cancellation cancellation)
{
    return executor_.run(
        [this, references = std::move(references), cancellation = std::move(cancellation)] {
            return readFramesNow(references, cancellation);
        });
}

QList<std::optional<RectD>> WindowService::readFramesNow(const QList<WindowReference> &references,
                                                         const Cancellation &cancellation)
{
    QList<std::optional<RectD>> frames;
    for (const WindowReference &reference : references) {
        if (cancellation && cancellation->isCancelled()) {
            break;
        }
        frames.append(readFrameNow(reference));
    }
    return frames;
}

QCoro::Task<void> WindowService::moveEach(qsizetype count, Cancellation cancellation,
                                          MoveSteps steps)
{
    return executor_.run([this, count, cancellation = std::move(cancellation),
                          steps = std::move(steps)] { moveEachNow(count, cancellation, steps); });
}

void WindowService::moveEachNow(qsizetype count, const Cancellation &cancellation,
                                const MoveSteps &steps)
{
    const std::shared_ptr<MoveBatch> batch = beginMoves(cancellation);
    const auto hand = [&](const MoveBatch::Turn &turn) {
        for (const qsizetype done : turn.done) {
            steps.answered(done, batch->result(done));
        }
    };
    // Each window's write goes out right after its own checks and reads; answers that have come
    // in by then (a backend that answers at once, a write refused before it went out) are
    // handed over before the next window's checks.
    for (qsizetype i = 0; i < count; ++i) {
        const MoveDecision decision = steps.prepare(i);
        if (decision.kind == MoveDecision::Kind::stop) {
            break;
        }
        if (decision.kind == MoveDecision::Kind::write) {
            batch->start(i, decision.write.target, decision.write.reference, false);
            hand(batch->take());
        }
    }
    while (batch->onTheirWay()) {
        hand(batch->collect(true));
    }
}

std::shared_ptr<MoveBatch> WindowService::beginMoves(Cancellation cancellation)
{
    return std::make_shared<MoveBatch>(system_, std::move(cancellation), frameWriteTimeout_);
}

QCoro::Task<MoveBatch::Turn> WindowService::startMove(std::shared_ptr<MoveBatch> batch,
                                                      qsizetype index,
                                                      std::function<MoveDecision()> prepare)
{
    return executor_.run([batch = std::move(batch), index, prepare = std::move(prepare)] {
        const MoveDecision decision = prepare();
        if (decision.kind == MoveDecision::Kind::write) {
            batch->start(index, decision.write.target, decision.write.reference, true);
        }
        return batch->collect(false);
    });
}

QCoro::Task<MoveBatch::Turn> WindowService::resumeMove(std::shared_ptr<MoveBatch> batch,
                                                       qsizetype index, bool gateOpen)
{
    return executor_.run([batch = std::move(batch), index, gateOpen] {
        batch->resume(index, gateOpen);
        return batch->collect(false);
    });
}

QCoro::Task<MoveBatch::Turn> WindowService::collectMoves(std::shared_ptr<MoveBatch> batch,
                                                         bool wait)
{
    return executor_.run([batch = std::move(batch), wait] { return batch->collect(wait); });
}

QCoro::Task<bool> WindowService::isStillPresent(WindowReference reference)
{
    return executor_.run(
        [this, reference = std::move(reference)] { return isStillPresentNow(reference); });
}

bool WindowService::isStillPresentNow(const WindowReference &reference)
{
    if (!system_.trust->isProcessTrusted()) {
        return false;
    }
    const std::optional<RunningApplication> application =
        system_.applications->application(reference.pid);
    if (!application || application->isTerminated) {
        return false;
    }
    system_.elements->setMessagingTimeout(reference.element, presenceTimeout);
    const std::optional<QString> role =
        AX::string(*system_.elements, reference.element, AXAttribute::role);
    return role && *role == reference.role;
}

QList<CGWindowEntry> WindowService::activeDesktopWindows()
{
    return CGWindowEntry::activeDesktopWindows(*system_.windowServer,
                                               system_.applications->ownProcessIdentifier());
}

std::optional<QString> WindowService::hostname(AXElement window, const QString &bundleID,
                                               Clock::TimePoint deadline,
                                               const Cancellation &cancellation)
{
    return BrowserHostname::read(*system_.elements, *system_.clock, window, bundleID,
                                 browserBundleIDs_, deadline, cancellation);
}

namespace {

bool isShown(const std::optional<RunningApplication> &application)
{
    return application && !application->isTerminated && !application->isHidden;
}

} // namespace

std::optional<WindowReference> WindowService::revalidateNow(const WindowReference &reference,
                                                            const QList<CurrentDisplay> &displays)
{
    return revalidateIn(reference, displays, nullptr);
}

std::optional<RunningApplication> WindowService::applicationIn(qint32 pid, const DesktopView *view)
{
    if (!view) {
        return system_.applications->application(pid);
    }
    const auto found = std::find_if(view->applications.begin(), view->applications.end(),
                                    [pid](const RunningApplication &a) { return a.pid == pid; });
    if (found == view->applications.end()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<WindowReference> WindowService::revalidateIn(const WindowReference &reference,
                                                           const QList<CurrentDisplay> &displays,
                                                           const DesktopView *view)
{
    if (!system_.trust->isProcessTrusted()) {
        return std::nullopt;
    }
    const std::optional<RunningApplication> application = applicationIn(reference.pid, view);
    if (!isShown(application) || application->bundleIdentifier != reference.bundleID) {
        return std::nullopt;
    }
    AccessibilityElements &elements = *system_.elements;
    const AXElement element = reference.element;
    elements.setMessagingTimeout(element, revalidationTimeout);
    if (AX::string(elements, element, AXAttribute::role) != reference.role
        || AX::string(elements, element, AXAttribute::subrole) != reference.subrole) {
        return std::nullopt;
    }
    if (AX::boolean(elements, element, AXAttribute::minimized) == true) {
        return std::nullopt;
    }
    const std::optional<RectD> frame = AX::frame(elements, element);
    if (!frame || !frame->isUsableFrame() || isFullscreenWindow(element, *frame, displays)) {
        return std::nullopt;
    }
    if (!isVisibleOnActiveDesktopIn(reference, *frame, view)) {
        return std::nullopt;
    }
    std::optional<QString> host;
    if (browserBundleIDs_.contains(reference.bundleID)) {
        host = hostname(element, reference.bundleID,
                        system_.clock->now() + seconds(revalidationHostnameDuration), nullptr);
    }
    return reference.revalidated(*frame, host);
}

bool WindowService::isVisibleOnActiveDesktopNow(const WindowReference &reference,
                                                const RectD &frame)
{
    return isVisibleOnActiveDesktopIn(reference, frame, nullptr);
}

WindowService::DesktopView WindowService::desktopView()
{
    return DesktopView{system_.applications->runningApplications(), activeDesktopWindows()};
}

bool WindowService::isVisibleOnActiveDesktopIn(const WindowReference &reference, const RectD &frame,
                                               const DesktopView *view)
{
    const std::optional<RunningApplication> owner = applicationIn(reference.pid, view);
    if (!isShown(owner)) {
        return false;
    }
    const QList<CGWindowEntry> rows = view ? view->rows : activeDesktopWindows();
    if (reference.windowID) {
        // A known window number answers from the window-server list alone.
        return std::any_of(rows.begin(), rows.end(), [&reference](const CGWindowEntry &row) {
            return row.pid == reference.pid && row.windowID == *reference.windowID;
        });
    }

    AccessibilityElements &elements = *system_.elements;
    Clock &clock = *system_.clock;
    const AXElement application = elements.applicationElement(reference.pid);
    elements.setMessagingTimeout(application, visibilityApplicationTimeout);
    const AX::WindowListRead list = AX::windowList(elements, application);
    if (list.error) {
        return false;
    }
    const Clock::TimePoint deadline = clock.now() + seconds(visibilityDuration);
    QHash<AXWindowIdentity, RectD> frames;
    for (AXElement window : list.windows) {
        if (clock.now() >= deadline) {
            return false;
        }
        elements.setMessagingTimeout(window, visibilityWindowTimeout);
        // Every sibling must be readable: a window that cannot be told apart could be the one
        // the window server shows.
        const std::optional<QString> role = AX::string(elements, window, AXAttribute::role);
        if (!role) {
            return false;
        }
        if (*role != QString(AXRoleValue::window)) {
            continue;
        }
        if (AX::boolean(elements, window, AXAttribute::minimized) == true) {
            continue;
        }
        const std::optional<RectD> windowFrame =
            window == reference.element ? std::optional<RectD>(frame) : AX::frame(elements, window);
        if (!windowFrame || !windowFrame->isUsableFrame()) {
            return false;
        }
        frames.insert(AXWindowIdentity{reference.pid, window}, *windowFrame);
    }
    QList<CGWindowEntry> ownRows;
    for (const CGWindowEntry &row : rows) {
        if (row.pid == reference.pid) {
            ownRows.append(row);
        }
    }
    try {
        const VisibilityScan scan = VisibilityScan::pair(frames, ownRows, deadline, clock);
        return !scan.evidence.isEmpty() && scan.evidence.contains(reference.identity());
    } catch (const CaptureError &) {
        return false;
    }
}

bool WindowService::isFullscreenWindow(AXElement window, const RectD &frame,
                                       const QList<CurrentDisplay> &displays)
{
    if (const std::optional<bool> fullScreen =
            AX::boolean(*system_.elements, window, AXAttribute::fullScreen)) {
        return *fullScreen;
    }
    return DisplayGeometry::isFullscreen(frame, displays);
}

std::optional<RectD> WindowService::readFrameNow(const WindowReference &reference)
{
    system_.elements->setMessagingTimeout(reference.element, revalidationTimeout);
    const std::optional<RectD> frame = AX::frame(*system_.elements, reference.element);
    if (!frame || !frame->isUsableFrame()) {
        return std::nullopt;
    }
    return frame;
}

bool WindowService::isOnActiveDesktopNow(const WindowReference &reference)
{
    // A known window number is answered from the list alone, which where windows stand does not
    // change.
    return isOnActiveDesktopIn(reference, reference.windowID ? currentView() : nullptr);
}

const WindowService::DesktopView *WindowService::currentView()
{
    const std::optional<quint64> revision = system_.windowServer->revision();
    if (!revision) {
        view_.reset();
        return nullptr;
    }
    if (!view_ || viewRevision_ != *revision) {
        view_ = desktopView();
        viewRevision_ = *revision;
    }
    return &*view_;
}

bool WindowService::isOnActiveDesktopIn(const WindowReference &reference, const DesktopView *view)
{
    system_.elements->setMessagingTimeout(reference.element, activeDesktopTimeout);
    const RectD frame = AX::frame(*system_.elements, reference.element).value_or(reference.frame);
    return isVisibleOnActiveDesktopIn(reference, frame, view);
}

} // namespace ostrel
