#include "restore/SessionEligibilityGate.h"

#include <QMutexLocker>

#include <utility>

namespace ostrel {

SessionEligibilityGate::SessionEligibilityGate(bool eligible, std::optional<QString> reason)
    : eligible_(eligible)
    , reason_(std::move(reason))
{
}

void SessionEligibilityGate::set(bool eligible, std::optional<QString> reason)
{
    const QMutexLocker locker(&lock_);
    eligible_ = eligible;
    reason_ = std::move(reason);
}

bool SessionEligibilityGate::eligible() const
{
    const QMutexLocker locker(&lock_);
    return eligible_;
}

std::optional<QString> SessionEligibilityGate::reason() const
{
    const QMutexLocker locker(&lock_);
    return reason_;
}

} // namespace ostrel
