#include "app/AutomationService.h"

#include "model/Topology.h"
#include "system/DisplayEvents.h"
#include "system/PowerEvents.h"

#include <utility>

namespace ostrel {

AutomationService::AutomationService(Clock &clock, DisplayReader readDisplays, PowerEvents &power,
                                     DisplayEvents &displays, QObject *parent)
    : QObject(parent)
    , clock_(clock)
    , readDisplays_(std::move(readDisplays))
    , power_(power)
    , displays_(displays)
{
}

AutomationService::~AutomationService() = default;

void AutomationService::start()
{
    if (started_) {
        return;
    }
    started_ = true;
    connect(&power_, &PowerEvents::didWake, this, &AutomationService::schedule);
    connect(&power_, &PowerEvents::screensDidWake, this, &AutomationService::schedule);
    connect(&displays_, &DisplayEvents::screenParametersChanged, this,
            &AutomationService::schedule);
}

void AutomationService::didAcceptTrigger(const QString &signature)
{
    lastAcceptedSignature_ = signature;
    lastAcceptedAt_ = clock_.now();
    inFlight_ = true;
}

void AutomationService::setLastAcceptedSignature(std::optional<QString> signature)
{
    lastAcceptedSignature_ = std::move(signature);
}

void AutomationService::cancelSettling()
{
    if (settling_) {
        ++wait_;
        settling_ = false;
    }
    burstStart_.reset();
    lastChange_.reset();
}

void AutomationService::setEligible(bool eligible)
{
    // A wait cut short by the session going away is resumed too when it comes back.
    if (!eligible && settling_) {
        missedWhileIneligible_ = true;
    }
    const bool returned = eligible && !eligible_;
    eligible_ = eligible;
    if (returned && missedWhileIneligible_) {
        missedWhileIneligible_ = false;
        schedule();
    }
}

void AutomationService::schedule()
{
    if (!started_) {
        return;
    }
    if (!eligible_) {
        // The wake and the display changes of a sleep arrive while the session still counts as
        // away; dropping them for good would leave the new setup unsettled until the next
        // change, so the service waits again once the session is back.
        missedWhileIneligible_ = true;
        return;
    }
    const Clock::TimePoint now = clock_.now();
    if (!burstStart_) {
        burstStart_ = now;
    }
    lastChange_ = now;
    if (settling_) {
        return; // the running wait sees the new change at its next look
    }
    settling_ = true;
    waitForStableTopology(QPointer<AutomationService>(this), ++wait_);
}

void AutomationService::endWait()
{
    settling_ = false;
    burstStart_.reset();
    lastChange_.reset();
}

QCoro::Task<void> AutomationService::waitForStableTopology(QPointer<AutomationService> service,
                                                           quint64 wait)
{
    if (!service->burstStart_) {
        service->endWait();
        co_return;
    }
    const Clock::TimePoint burstStart = *service->burstStart_;
    Clock &clock = service->clock_;
    std::optional<QString> lastSeen;
    for (;;) {
        QCoro::Task<void> pause = clock.sleep(pollInterval);
        co_await pause;
        if (!service || service->wait_ != wait) {
            co_return; // cancelled, or the service is gone: touch nothing
        }
        if (!service->eligible_) {
            service->endWait();
            co_return;
        }
        const Clock::TimePoint now = clock.now();
        if (now >= burstStart + maximumSettle) {
            service->endWait();
            if (service->onDeferred) {
                service->onDeferred(AutomationDeferral::displaysUnsettled);
            }
            co_return;
        }
        const QList<CurrentDisplay> displays = service->readDisplays_();
        const QString signature = Topology::signature(displays);
        if (!lastSeen || signature != *lastSeen) {
            service->lastChange_ = now;
            lastSeen = signature;
            continue;
        }
        const std::optional<Clock::TimePoint> lastChange = service->lastChange_;
        if (!lastChange || now < *lastChange || now - *lastChange < quietInterval) {
            continue;
        }
        if (displays.isEmpty()) {
            continue; // never reported; the burst ends by giving up
        }
        if (service->lastAcceptedSignature_ && service->lastAcceptedAt_
            && signature == *service->lastAcceptedSignature_) {
            const Clock::TimePoint acceptedAt = *service->lastAcceptedAt_;
            if (now < acceptedAt || now - acceptedAt < repeatSuppression) {
                service->endWait();
                co_return;
            }
        }
        if (service->inFlight_) {
            service->endWait();
            co_return; // dropped, not queued
        }
        service->inFlight_ = true;
        service->endWait();
        if (service->onStableDisplays) {
            service->onStableDisplays(displays);
        }
        co_return;
    }
}

} // namespace ostrel
