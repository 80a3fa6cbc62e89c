#pragma once

#include "model/CancellationFlag.h"
#include "model/CapturePreview.h"
#include "model/CurrentDisplay.h"
#include "model/FrameApplyResult.h"
#include "model/RectD.h"
#include "model/SerialExecutor.h"
#include "model/WindowReference.h"
#include "platform/BrowserHostname.h"
#include "platform/CGWindowEntry.h"
#include "platform/MoveBatch.h"
#include "platform/ScanOutput.h"
#include "platform/VisibilityScan.h"
#include "platform/WindowMove.h"
#include "platform/WriteGate.h"
#include "system/SystemBackend.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace ostrel {

namespace test {
class WindowServiceTestSeam;
}

// The actor through which the program reads and moves other applications' windows. Every
// operation runs on the actor's own thread, one at a time; the Accessibility calls there are
// synchronous and each is bounded by a messaging timeout set on its element first, so a hung
// application costs fractions of a second, never the program. The tasks are awaited on the
// main thread; `setFrame` leaves the actor's thread only to await the caller's write gate there.
// The service must outlive every task it has handed out.
class WindowService {
public:
    using Cancellation = std::shared_ptr<CancellationFlag>;

    // The timing constants in one place.
    static constexpr double scanDuration = 6.0;
    static constexpr double hostnamePhaseDuration = 2.0;
    static constexpr double applicationTimeout = 0.35;
    static constexpr double scanWindowTimeout = 0.25;
    static constexpr double revalidationTimeout = 0.35;
    static constexpr double revalidationHostnameDuration = 0.6;
    static constexpr double activeDesktopTimeout = 0.3;
    static constexpr double visibilityApplicationTimeout = 0.2;
    static constexpr double visibilityWindowTimeout = 0.1;
    static constexpr double visibilityDuration = 0.75;
    static constexpr double presenceTimeout = 0.2;
    // How long the application has for each write of a frame; tests that drive a slow window
    // manager of their own lengthen it (`setFrameWriteTimeout`).
    static constexpr double defaultFrameWriteTimeout = 0.6;

    explicit WindowService(const SystemBackend &system,
                           QSet<QString> browserBundleIDs = BrowserHostname::browserBundleIDs());

    const QSet<QString> &browserBundleIDs() const { return browserBundleIDs_; }
    void setFrameWriteTimeout(double seconds) { frameWriteTimeout_ = seconds; }
    double frameWriteTimeout() const { return frameWriteTimeout_; }

    // Walks the regular, visible, not excluded applications and reports their ordinary
    // windows. `displays` serve only the fullscreen test; no deadline means 6 seconds from the
    // start. Never throws.
    QCoro::Task<ScanOutput> scan(QList<CurrentDisplay> displays, QSet<QString> exclusions,
                                 Cancellation cancellation,
                                 std::optional<Clock::TimePoint> deadline, bool includeHostnames);

    // One scan with host names and the default deadline, turned into the unsaved layout the
    // save window shows: entries sorted by application name, frames relative to the visible
    // frame of the display each window is on. Throws CaptureError.
    QCoro::Task<CapturePreview> capture(QList<CurrentDisplay> displays, QSet<QString> exclusions,
                                        Cancellation cancellation);

    // A fresh copy of the reference when the window is still the same, usable and shown on
    // the active desktop; none otherwise.
    QCoro::Task<std::optional<WindowReference>> revalidate(WindowReference reference,
                                                           QList<CurrentDisplay> displays);
    QCoro::Task<bool> isVisibleOnActiveDesktop(WindowReference reference, RectD frame);
    QCoro::Task<std::optional<RectD>> readFrame(WindowReference reference);
    QCoro::Task<bool> isOnActiveDesktop(WindowReference reference);

    // Moves and resizes one window and reports exactly what happened. Never throws.
    QCoro::Task<FrameApplyResult> setFrame(RectD frame, WindowReference reference,
                                           Cancellation cancellation, WriteGate writeGate);

    // Several calls as one job on the service's thread, for callers that need nothing from
    // elsewhere between them: the same calls in the same order as one at a time, with one
    // hand-over between threads instead of one per call.
    // - `revalidate` of each reference, in order, with the running applications and the
    //   window-server list read once, before the first.
    QCoro::Task<QList<std::optional<WindowReference>>>
    revalidateEach(QList<WindowReference> references, QList<CurrentDisplay> displays);
    QList<std::optional<WindowReference>>
    revalidateEachNow(const QList<WindowReference> &references,
                      const QList<CurrentDisplay> &displays);
    // - `readFrame` of each reference, in order, until a cancellation is seen before a read:
    //   the frames read until then.
    QCoro::Task<QList<std::optional<RectD>>> readFrames(QList<WindowReference> references,
                                                        Cancellation cancellation);
    QList<std::optional<RectD>> readFramesNow(const QList<WindowReference> &references,
                                              const Cancellation &cancellation);

    // The moves of a pass, as one job on the service's thread: for each window in turn the
    // pass's `prepare` (its checks and reads, asked on this thread) decides; a write goes out at
    // once, without waiting for the answers of the windows before it, and the answers (and the
    // repetitions they call for) are awaited together. `answered` gets each write once it is
    // done, on this thread, in the order the answers come. The pass must not touch what the two
    // share until the job is done.
    struct MoveSteps {
        std::function<MoveDecision(qsizetype)> prepare;
        std::function<void(qsizetype, const FrameApplyResult &)> answered;
    };
    QCoro::Task<void> moveEach(qsizetype count, Cancellation cancellation, MoveSteps steps);
    void moveEachNow(qsizetype count, const Cancellation &cancellation, const MoveSteps &steps);

    // Runs `work` as one job on the service's thread, for a caller that makes many of the
    // synchronous calls below in a row with nothing from elsewhere between them: one hand-over
    // between threads instead of one per call, which on a busy machine costs milliseconds.
    QCoro::Task<void> batch(std::function<void()> work);
    // The synchronous calls a restore pass makes within such a job (or within `moveEach`'s
    // `prepare`), on the service's thread only.
    ScanOutput scanNow(const QList<CurrentDisplay> &displays, const QSet<QString> &exclusions,
                       const Cancellation &cancellation, std::optional<Clock::TimePoint> deadline,
                       bool includeHostnames);
    std::optional<WindowReference> revalidateNow(const WindowReference &reference,
                                                 const QList<CurrentDisplay> &displays);
    std::optional<RectD> readFrameNow(const WindowReference &reference);
    bool isOnActiveDesktopNow(const WindowReference &reference);

    // The same, step by step, for a pass that asks its write gate elsewhere between the steps:
    // each step is a job on the service's thread and gives what became of the writes since the
    // last (those done, and those at a checkpoint waiting for the gate).
    std::shared_ptr<MoveBatch> beginMoves(Cancellation cancellation);
    // `prepare` as above, then the window's write, its checkpoints waiting for the gate.
    QCoro::Task<MoveBatch::Turn> startMove(std::shared_ptr<MoveBatch> batch, qsizetype index,
                                           std::function<MoveDecision()> prepare);
    QCoro::Task<MoveBatch::Turn> resumeMove(std::shared_ptr<MoveBatch> batch, qsizetype index,
                                            bool gateOpen);
    // What came in; when `wait`, first until at least one write on its way has its answer.
    QCoro::Task<MoveBatch::Turn> collectMoves(std::shared_ptr<MoveBatch> batch, bool wait);

    // Whether a remembered window is still there with the role it had: access is on, its
    // process runs, and its element still answers with the same role (asked with a short
    // messaging timeout).
    QCoro::Task<bool> isStillPresent(WindowReference reference);

private:
    // The operations themselves, synchronous, run on the actor's thread. Tests and benchmarks,
    // which drive the desktop on their own thread, call them through a seam of their own.
    friend class test::WindowServiceTestSeam;

    CapturePreview captureNow(const QList<CurrentDisplay> &displays,
                              const QSet<QString> &exclusions, const Cancellation &cancellation);
    bool isVisibleOnActiveDesktopNow(const WindowReference &reference, const RectD &frame);
    bool isStillPresentNow(const WindowReference &reference);
    std::optional<QString> hostname(AXElement window, const QString &bundleID,
                                    Clock::TimePoint deadline, const Cancellation &cancellation);
    QList<CGWindowEntry> activeDesktopWindows();

    struct ScanPass;
    // What the active-desktop test reads of the desktop besides the window itself, read once
    // for many windows whose tests all come before any of them is moved.
    struct DesktopView {
        QList<RunningApplication> applications;
        QList<CGWindowEntry> rows;
    };
    DesktopView desktopView();
    // The tests above, on a view read before (none: read now).
    std::optional<RunningApplication> applicationIn(qint32 pid, const DesktopView *view);
    std::optional<WindowReference> revalidateIn(const WindowReference &reference,
                                                const QList<CurrentDisplay> &displays,
                                                const DesktopView *view);
    bool isVisibleOnActiveDesktopIn(const WindowReference &reference, const RectD &frame,
                                    const DesktopView *view);
    bool isOnActiveDesktopIn(const WindowReference &reference, const DesktopView *view);
    // The view of the active-desktop test, read again only when the backend says something of it
    // may have changed besides where windows stand (null when it cannot tell: read it afresh).
    // A restore asks before each window's move, and the windows moved before it change nothing
    // of it but where they stand.
    const DesktopView *currentView();
    std::optional<DesktopView> view_;
    quint64 viewRevision_ = 0;

    // Whether the window is fullscreen: its own word where the platform gives one, else whether
    // its frame covers a whole display. (A maximized window on a monitor without panels covers
    // it too, but it is an ordinary window that moves like any other.)
    bool isFullscreenWindow(AXElement window, const RectD &frame,
                            const QList<CurrentDisplay> &displays);

    SystemBackend system_;
    QSet<QString> browserBundleIDs_;
    double frameWriteTimeout_ = defaultFrameWriteTimeout;
    SerialExecutor executor_{QStringLiteral("WindowService")};
};

} // namespace ostrel
