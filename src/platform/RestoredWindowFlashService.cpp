#include "platform/RestoredWindowFlashService.h"

#include "platform/RestoredWindowFlashGeometry.h"
#include "platform/SystemColors.h"

#include <QEasingCurve>

#include <algorithm>
#include <utility>

namespace ostrel {

namespace {

// The standard ease-out and ease-in timing curves of the desktop's animations.
QEasingCurve cubicBezier(QPointF first, QPointF second)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(first, second, QPointF(1, 1));
    return curve;
}

} // namespace

RestoredWindowFlashService::RestoredWindowFlashService(WindowServerList &windowServer, Clock &clock,
                                                       OverlayWindowRegistry &overlays,
                                                       ReduceMotion *reduceMotion,
                                                       Compositing *compositing, QObject *parent)
    : QObject(parent)
    , windowServer_(windowServer)
    , clock_(clock)
    , overlays_(overlays)
    , reduceMotion_(reduceMotion)
    , compositing_(compositing)
    , reader_(std::make_unique<WindowListReader>(windowServer))
{
    retireTimer_.setSingleShot(true);
    retireTimer_.setInterval(0);
    connect(&retireTimer_, &QTimer::timeout, this, &RestoredWindowFlashService::destroyOneRetired);
}

RestoredWindowFlashService::~RestoredWindowFlashService()
{
    removePanels();
    qDeleteAll(retired_); // and their regions
}

void RestoredWindowFlashService::setFadeDurations(std::chrono::milliseconds fadeIn,
                                                  std::chrono::milliseconds fadeOut)
{
    fadeIn_ = fadeIn;
    fadeOut_ = fadeOut;
}

void RestoredWindowFlashService::cancel(std::shared_ptr<Task> &task)
{
    // Let go first: the task's coroutine ends inside the stop request and must find it gone.
    if (const std::shared_ptr<Task> cancelled = std::exchange(task, nullptr)) {
        cancelled->stop.request_stop();
    }
}

void RestoredWindowFlashService::flash(const QList<RestoredWindowFlashTarget> &targets,
                                       HighlightColor color)
{
    removePanels();
    const quint64 generation = ++generation_;

    // Asked once: the answer costs a round trip to the window system.
    const bool translucent = !compositing_ || compositing_->isActive();
    for (const RestoredWindowFlashTarget &target : targets) {
        const RectD &frame = target.frame;
        if (!frame.isUsableFrame() || frame.width < smallestSide || frame.height < smallestSide) {
            continue;
        }
        auto *region = new RestoredWindowFlashRegion(frame.width, frame.height);
        auto *panel = new RestoredWindowFlashView(region, SystemColors::color(color), translucent);
        region->setParent(panel);
        panel->setFrame(frame);
        panels_.append({panel, target.windowID, region});
    }
    if (panels_.isEmpty()) {
        return;
    }

    const bool reducedMotion = reduceMotion_ && reduceMotion_->reduceMotion();
    for (const TrackedPanel &tracked : std::as_const(panels_)) {
        tracked.panel->setWindowOpacity(reducedMotion ? 1.0 : 0.0);
        tracked.panel->orderFront();
        overlays_.add(tracked.panel->windowNumber());
    }

    updatePanelFrames();
    startTracking(generation);

    dismissTask_ = std::make_shared<Task>();
    if (!reducedMotion) {
        fade(1.0, fadeIn_, cubicBezier({0, 0}, {0.58, 1}), nullptr);
    }
    dismissLater(this, dismissTask_, generation, &clock_, reducedMotion);
}

QCoro::Task<void>
RestoredWindowFlashService::dismissLater(QPointer<RestoredWindowFlashService> service,
                                         std::shared_ptr<Task> task, quint64 generation,
                                         Clock *clock, bool reducedMotion)
{
    QCoro::Task<void> wait =
        clock->sleep(reducedMotion ? reducedMotionVisibleFor : visibleFor, task->stop.get_token());
    co_await wait;
    if (task->stop.stop_requested() || !service || service->generation_ != generation) {
        co_return;
    }
    if (reducedMotion) {
        // The tracking goes on until the panels are taken down, without a fade.
        service->removePanels();
        co_return;
    }
    cancel(service->trackingTask_);
    RestoredWindowFlashService *self = service;
    self->fade(0.0, self->fadeOut_, cubicBezier({0.42, 0}, {1, 1}), [self, generation] {
        // Removal follows the fade on the next turn, and only for the flash that faded.
        QMetaObject::invokeMethod(
            self,
            [self, generation] {
                if (self->generation_ == generation) {
                    self->removePanels();
                }
            },
            Qt::QueuedConnection);
    });
}

void RestoredWindowFlashService::fade(double opacity, std::chrono::milliseconds duration,
                                      const QEasingCurve &curve, std::function<void()> done)
{
    stopFade();
    if (duration <= std::chrono::milliseconds::zero()) {
        for (const TrackedPanel &tracked : std::as_const(panels_)) {
            tracked.panel->setWindowOpacity(opacity);
        }
        if (done) {
            done();
        }
        return;
    }
    auto *animation = new QVariantAnimation(this);
    const double from = panels_.isEmpty() ? 0.0 : panels_.first().panel->windowOpacity();
    animation->setStartValue(from);
    animation->setEndValue(opacity);
    animation->setDuration(int(duration.count()));
    animation->setEasingCurve(curve);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        for (const TrackedPanel &tracked : std::as_const(panels_)) {
            tracked.panel->setWindowOpacity(value.toDouble());
        }
    });
    connect(animation, &QVariantAnimation::finished, this, [done = std::move(done)] {
        if (done) {
            done();
        }
    });
    fade_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void RestoredWindowFlashService::stopFade()
{
    if (fade_) {
        // Stopped, not finished: whatever waited for its end is not told.
        fade_->disconnect(this);
        fade_->stop();
    }
    fade_ = nullptr;
}

void RestoredWindowFlashService::removePanels()
{
    cancel(dismissTask_);
    cancel(trackingTask_);
    stopFade();
    for (const TrackedPanel &tracked : std::as_const(panels_)) {
        overlays_.remove(tracked.panel->windowNumber());
        tracked.panel->orderOut();
        retired_.append(tracked.panel);
    }
    panels_.clear();
    if (!retired_.isEmpty()) {
        retireTimer_.start();
    }
}

void RestoredWindowFlashService::destroyOneRetired()
{
    if (!retired_.isEmpty()) {
        delete retired_.takeFirst(); // and its region
    }
    if (!retired_.isEmpty()) {
        retireTimer_.start();
    }
}

void RestoredWindowFlashService::updatePanelFrames()
{
    const bool anyWindow =
        std::any_of(panels_.cbegin(), panels_.cend(),
                    [](const TrackedPanel &tracked) { return tracked.windowID.has_value(); });
    if (!anyWindow) {
        return;
    }
    applyPanelFrames(WindowListSnapshot::read(windowServer_, overlays_.windowNumbers()));
}

void RestoredWindowFlashService::startTracking(quint64 generation)
{
    const bool anyWindow =
        std::any_of(panels_.cbegin(), panels_.cend(),
                    [](const TrackedPanel &tracked) { return tracked.windowID.has_value(); });
    if (!anyWindow) {
        return;
    }
    trackingTask_ = std::make_shared<Task>();
    track(this, trackingTask_, generation, &clock_, reader_.get());
}

QCoro::Task<void> RestoredWindowFlashService::track(QPointer<RestoredWindowFlashService> service,
                                                    std::shared_ptr<Task> task, quint64 generation,
                                                    Clock *clock, WindowListReader *reader)
{
    const std::stop_token stop = task->stop.get_token();
    while (!stop.stop_requested()) {
        // Measured from the end of each cycle: one cycle is the period plus the read.
        QCoro::Task<void> wait = clock->sleep(trackingPeriod, stop);
        co_await wait;
        if (stop.stop_requested() || !service || service->generation_ != generation) {
            co_return;
        }
        // The reader belongs to the service, which exists here; after the read only the service is
        // looked at again.
        QSet<quint32> overlays = service->overlays_.windowNumbers();
        QCoro::Task<std::optional<QList<OrderedWindow>>> reading =
            reader->read(std::move(overlays), stop);
        std::optional<QList<OrderedWindow>> windows = co_await std::move(reading);
        if (stop.stop_requested() || !service || service->generation_ != generation) {
            co_return;
        }
        service->applyPanelFrames(windows);
    }
}

void RestoredWindowFlashService::applyPanelFrames(
    const std::optional<QList<OrderedWindow>> &windows)
{
    if (!windows) {
        return; // an unreadable list changes nothing this cycle
    }
    QList<quint32> windowIDs;
    QList<qsizetype> tracked;
    for (qsizetype i = 0; i < panels_.size(); ++i) {
        if (panels_[i].windowID) {
            windowIDs.append(*panels_[i].windowID);
            tracked.append(i);
        }
    }
    const QList<RestoredWindowFlashGeometry::PanelPlacement> placements =
        RestoredWindowFlashGeometry::placements(*windows, windowIDs);
    for (qsizetype k = 0; k < placements.size(); ++k) {
        TrackedPanel &panel = panels_[tracked[k]];
        const RestoredWindowFlashGeometry::PanelPlacement &placement = placements[k];
        if (!placement.onScreen) {
            if (panel.panel->isVisible()) {
                panel.panel->orderOut(); // back when a later cycle finds the window again
            }
            continue;
        }
        if (!panel.panel->isVisible()) {
            panel.panel->orderFront();
        }
        switch (RestoredWindowFlashGeometry::frameChange(panel.panel->frame(), placement.bounds)) {
        case RestoredWindowFlashGeometry::FrameChange::resize:
            panel.panel->setFrame(placement.bounds);
            break;
        case RestoredWindowFlashGeometry::FrameChange::move:
            panel.panel->setOrigin(placement.bounds.x, placement.bounds.y);
            break;
        case RestoredWindowFlashGeometry::FrameChange::none:
            break;
        }
        updateRegion(panel, placement.bounds, placement.occluders);
    }
}

void RestoredWindowFlashService::updateRegion(TrackedPanel &tracked, const RectD &target,
                                              const QList<RectD> &occluders)
{
    tracked.region->setRects(RestoredWindowFlashGeometry::visibleRects(target, occluders));
}

} // namespace ostrel
