#pragma once

#include <QObject>

#include <optional>

namespace ostrel {

// What the login session says about itself right now. Each field is absent when the system did
// not report it or reported something that is not a yes/no answer; an absent field never makes
// the session ineligible for automation.
struct SessionState {
    std::optional<bool> screenLocked; // the screen is locked (or its locker is active)
    std::optional<bool> onConsole;    // the session owns the local seat
    std::optional<bool> loginDone;    // the login has finished and the session is not closing

    bool operator==(const SessionState &) const = default;
};

// The login session: whether it is the active one and whether its screen is locked.
//
// A backend emits the signals on the main thread, once per change it learns of, and may emit a
// signal without any change in between (observers treat every signal as news). Every source is
// optional at run time: without a session manager or a screen locker to listen to, the matching
// signals simply stay silent.
class SessionEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~SessionEvents() override;

    // The session's state as the system reports it now; absent when there is no report to read
    // at all. A backend that cannot reach any session manager reports an empty state (nothing
    // known), which counts as eligible. Main thread only; must not block for long.
    virtual std::optional<SessionState> sessionState() const = 0;

signals:
    void sessionDidBecomeActive();
    void sessionDidResignActive();
    void screenLocked();
    void screenUnlocked();
};

} // namespace ostrel
