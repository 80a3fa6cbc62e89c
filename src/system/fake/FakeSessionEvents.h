#pragma once

#include "system/SessionEvents.h"

namespace ostrel {

// A login session that tests drive: they set what the session reports and emit its signals.
// The helpers change the state the way a real session does before it signals.
class FakeSessionEvents : public SessionEvents {
    Q_OBJECT

public:
    // Starts as an unlocked session on the console whose login is done.
    explicit FakeSessionEvents(QObject *parent = nullptr);

    std::optional<SessionState> sessionState() const override;
    void setSessionState(std::optional<SessionState> state);

    void lockScreen();
    void unlockScreen();
    void resignActive();
    void becomeActive();

private:
    SessionState &ensureState();

    std::optional<SessionState> state_;
};

} // namespace ostrel
