#include "ui/panel/CoalescedRefresh.h"

#include <utility>

namespace ostrel {

CoalescedRefresh::CoalescedRefresh(QObject *owner, std::function<void()> refresh)
    : owner_(owner)
    , refresh_(std::move(refresh))
{
}

void CoalescedRefresh::schedule()
{
    if (scheduled_) {
        return;
    }
    scheduled_ = true;
    // The owner carries the call, so it is dropped with the owner; this object is the owner's.
    QMetaObject::invokeMethod(
        owner_,
        [this] {
            scheduled_ = false;
            refresh_();
        },
        Qt::QueuedConnection);
}

} // namespace ostrel
