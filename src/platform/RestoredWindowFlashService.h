#pragma once

#include "model/HighlightColor.h"
#include "model/RectD.h"
#include "platform/OverlayWindowRegistry.h"
#include "platform/RestoredWindowFlashRegion.h"
#include "platform/RestoredWindowFlashView.h"
#include "platform/WindowListSnapshot.h"
#include "system/Clock.h"
#include "system/Compositing.h"
#include "system/ReduceMotion.h"
#include "system/WindowServerList.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>

namespace ostrel {

// One restored window to outline: its frame after the restore and, when known, its window number
// (without one, the panel stays at the frame and its glow is never clipped).
struct RestoredWindowFlashTarget {
    RectD frame;
    std::optional<quint32> windowID;

    friend bool operator==(const RestoredWindowFlashTarget &,
                           const RestoredWindowFlashTarget &) = default;
};

// Outlines restored windows for about a second and a half with a glow in the highlight colour:
// one click-through panel over each window, kept on its window while it moves and clipped to the
// part of it that other windows do not cover. Main thread only.
class RestoredWindowFlashService : public QObject {
    Q_OBJECT

public:
    static constexpr double smallestSide = 20;
    static constexpr Clock::Duration trackingPeriod = std::chrono::milliseconds(33);
    static constexpr Clock::Duration visibleFor = std::chrono::milliseconds(1050);
    static constexpr Clock::Duration reducedMotionVisibleFor = std::chrono::milliseconds(1400);

    struct TrackedPanel {
        RestoredWindowFlashView *panel = nullptr;
        std::optional<quint32> windowID;
        RestoredWindowFlashRegion *region = nullptr;
    };

    // Everything given must outlive the service; the panels' window numbers go into `overlays`,
    // and the windows listed there are left out of what covers a restored window.
    // `reduceMotion` and `compositing` may be null (motion allowed, translucency available). A
    // flash still running when the service goes ends with it: its panels go, and its tasks end
    // there and then.
    RestoredWindowFlashService(WindowServerList &windowServer, Clock &clock,
                               OverlayWindowRegistry &overlays,
                               ReduceMotion *reduceMotion = nullptr,
                               Compositing *compositing = nullptr, QObject *parent = nullptr);
    ~RestoredWindowFlashService() override;

    // Replaces any flash in progress by one panel per usable target of at least 20 × 20 points.
    void flash(const QList<RestoredWindowFlashTarget> &targets, HighlightColor color);
    // Ends any flash at once.
    void removePanels();

    const QList<TrackedPanel> &panels() const { return panels_; }
    quint64 generation() const { return generation_; }
    bool isTracking() const { return trackingTask_ != nullptr; }

    // The fades run on the window system's animation timer; tests shorten them.
    void setFadeDurations(std::chrono::milliseconds fadeIn, std::chrono::milliseconds fadeOut);

private:
    // A running dismissal or tracking; cancelling it ends its coroutine at once.
    struct Task {
        std::stop_source stop;
    };

    void updatePanelFrames();
    void startTracking(quint64 generation);
    void applyPanelFrames(const std::optional<QList<OrderedWindow>> &windows);
    void updateRegion(TrackedPanel &tracked, const RectD &target, const QList<RectD> &occluders);
    void fade(double opacity, std::chrono::milliseconds duration, const QEasingCurve &curve,
              std::function<void()> done);
    void stopFade();
    void destroyOneRetired();
    static void cancel(std::shared_ptr<Task> &task);

    static QCoro::Task<void> track(QPointer<RestoredWindowFlashService> service,
                                   std::shared_ptr<Task> task, quint64 generation, Clock *clock,
                                   WindowListReader *reader);
    static QCoro::Task<void> dismissLater(QPointer<RestoredWindowFlashService> service,
                                          std::shared_ptr<Task> task, quint64 generation,
                                          Clock *clock, bool reducedMotion);

    WindowServerList &windowServer_;
    Clock &clock_;
    OverlayWindowRegistry &overlays_;
    ReduceMotion *reduceMotion_;
    Compositing *compositing_;
    // Owned, so that a read still running when the service goes is waited for before the window
    // list it reads can go too.
    std::unique_ptr<WindowListReader> reader_;

    QList<TrackedPanel> panels_;
    // Panels taken down, hidden, waiting to be destroyed one per turn of the event loop:
    // destroying a window waits on the window system, and a whole restore's worth at once would
    // hold up everything else, a new flash included.
    QList<RestoredWindowFlashView *> retired_;
    QTimer retireTimer_;
    std::shared_ptr<Task> dismissTask_;
    std::shared_ptr<Task> trackingTask_;
    quint64 generation_ = 0;
    QPointer<QVariantAnimation> fade_;
    std::chrono::milliseconds fadeIn_{140};
    std::chrono::milliseconds fadeOut_{450};
};

} // namespace ostrel
