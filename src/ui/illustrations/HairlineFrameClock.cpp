#include "ui/illustrations/HairlineFrameClock.h"

namespace ostrel {

HairlineSystemFrameClock::HairlineSystemFrameClock(QObject *parent)
    : HairlineFrameClock(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &HairlineFrameClock::woke);
}

double HairlineSystemFrameClock::uptime() const
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
}

void HairlineSystemFrameClock::wakeAfter(std::chrono::milliseconds delay)
{
    timer_.start(delay);
}

void HairlineSystemFrameClock::cancelWake()
{
    timer_.stop();
}

} // namespace ostrel
