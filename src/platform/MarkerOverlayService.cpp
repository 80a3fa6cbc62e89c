#include "platform/MarkerOverlayService.h"

#include "platform/OverlayWindowRegistry.h"

namespace ostrel {

namespace {

constexpr double smallestSide = 10;
constexpr double panelInset = 2;

} // namespace

MarkerOverlayService::MarkerOverlayService(Clock &clock, Compositing *compositing, QObject *parent)
    : QObject(parent), clock_(clock), compositing_(compositing)
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
        OverlayWindowRegistry::add(panel->windowNumber());
        panels_.append(panel);
    }
    // Scheduled even when no marker could be made.
    hideTask_ = std::make_shared<HideTask>();
    hideLater(this, &clock_, hideTask_);
}

void MarkerOverlayService::clear()
{
    if (hideTask_) {
        hideTask_->cancelled = true;
        hideTask_.reset();
    }
    for (MarkerContentView *panel : std::as_const(panels_)) {
        OverlayWindowRegistry::remove(panel->windowNumber());
        panel->orderOut();
        delete panel;
    }
    panels_.clear();
}

QCoro::Task<void> MarkerOverlayService::hideLater(QPointer<MarkerOverlayService> service, Clock *clock,
                                                  std::shared_ptr<HideTask> task)
{
    QCoro::Task<void> wait = clock->sleep(hideAfter);
    co_await wait;
    if (task->cancelled || !service) {
        co_return;
    }
    service->clear();
}

} // namespace ostrel
