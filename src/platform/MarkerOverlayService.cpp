#include "platform/MarkerOverlayService.h"

#include <utility>

namespace ostrel {

namespace {

constexpr double smallestSide = 10;
constexpr double panelInset = 2;

} // namespace

MarkerOverlayService::MarkerOverlayService(Clock &clock, OverlayWindowRegistry &overlays,
                                           Compositing *compositing, QObject *parent)
    : QObject(parent)
    , clock_(clock)
    , overlays_(overlays)
    , compositing_(compositing)
{
}

MarkerOverlayService::~MarkerOverlayService()
{
    clear();
}

QList<MarkerContentView *> MarkerOverlayService::panels() const
{
    return panels_;
}

void MarkerOverlayService::show(const QList<NumberedCandidate> &candidates)
{
    clear();
    for (const NumberedCandidate &candidate : candidates) {
        const RectD &frame = candidate.reference.frame;
        if (!(frame.width > smallestSide) || !(frame.height > smallestSide)) {
            continue; // its number is simply absent on screen
        }
        auto *panel = new MarkerContentView(candidate.number, compositing_);
        panel->setFrame({frame.x + panelInset, frame.y + panelInset, frame.width - 2 * panelInset,
                         frame.height - 2 * panelInset});
        panel->orderFront();
        overlays_.add(panel->windowNumber());
        panels_.append(panel);
    }
    // Scheduled even when no marker could be made.
    hideTask_ = std::make_shared<HideTask>();
    hideLater(this, &clock_, hideTask_);
}

void MarkerOverlayService::clear()
{
    // Let go first: the hide's coroutine ends inside the stop request and must find it gone.
    if (const std::shared_ptr<HideTask> cancelled = std::exchange(hideTask_, nullptr)) {
        cancelled->stop.request_stop();
    }
    for (MarkerContentView *panel : std::as_const(panels_)) {
        overlays_.remove(panel->windowNumber());
        panel->orderOut();
        delete panel;
    }
    panels_.clear();
}

QCoro::Task<void> MarkerOverlayService::hideLater(QPointer<MarkerOverlayService> service,
                                                  Clock *clock, std::shared_ptr<HideTask> task)
{
    QCoro::Task<void> wait = clock->sleep(hideAfter, task->stop.get_token());
    co_await wait;
    if (task->stop.stop_requested() || !service) {
        co_return;
    }
    service->clear();
}

} // namespace ostrel
