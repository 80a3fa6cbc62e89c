#include "system/fake/FakeSessionEvents.h"

#include <utility>

namespace ostrel {

FakeSessionEvents::FakeSessionEvents(QObject *parent)
    : SessionEvents(parent)
    , state_(SessionState{false, true, true})
{
}

std::optional<SessionState> FakeSessionEvents::sessionState() const
{
    return state_;
}

void FakeSessionEvents::setSessionState(std::optional<SessionState> state)
{
    state_ = std::move(state);
}

SessionState &FakeSessionEvents::ensureState()
{
    if (!state_) {
        state_.emplace();
    }
    return *state_;
}

void FakeSessionEvents::lockScreen()
{
    ensureState().screenLocked = true;
    emit screenLocked();
}

void FakeSessionEvents::unlockScreen()
{
    ensureState().screenLocked = false;
    emit screenUnlocked();
}

void FakeSessionEvents::resignActive()
{
    ensureState().onConsole = false;
    emit sessionDidResignActive();
}

void FakeSessionEvents::becomeActive()
{
    ensureState().onConsole = true;
    emit sessionDidBecomeActive();
}

} // namespace ostrel
