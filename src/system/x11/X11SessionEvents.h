#pragma once

#include "system/SessionEvents.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace ostrel::x11 {

// The login session as systemd-logind sees it, on the system bus: the session's `Active`,
// `LockedHint` and `State` properties (followed through PropertiesChanged) and its `Lock` and
// `Unlock` signals. The session is the one this process belongs to (GetSessionByPID), else the
// user's display session (the user's `Display` property), which covers a program started
// outside any session, for example by the user's service manager.
//
//   Active false / true          → sessionDidResignActive / sessionDidBecomeActive
//   LockedHint true, Lock        → screenLocked
//   LockedHint false, Unlock     → screenUnlocked
//   sessionState()               → screenLocked = the lock as last reported,
//                                  onConsole = Active, loginDone = State is not "closing"
//
// Nothing is known until logind answers; that state, and the state without logind (no bus, no
// service, no session), is empty, which counts as eligible. When the first answer finds the
// session inactive or locked, the matching signal follows at once, so a listener that looked
// before the answer learns of it. Every call is asynchronous with a short timeout: a missing or
// hung logind never holds the program up.
class X11SessionEvents : public SessionEvents {
    Q_OBJECT

public:
    static constexpr int callTimeoutMs = 2000;

    explicit X11SessionEvents(QDBusConnection systemBus, QObject *parent = nullptr);

    std::optional<SessionState> sessionState() const override;

    // Whether the search for the session has ended: the session was found and read, or there
    // is none to follow. Until then sessionState() is empty.
    bool hasAnswered() const { return answered_; }

signals:
    void answered();

private slots:
    void propertiesChanged(const QDBusMessage &message);
    void lockRequested();
    void unlockRequested();

private:
    void findByProcess();
    void findDisplaySession();
    void follow(const QString &path);
    void readProperties();
    void apply(const QVariantMap &properties);
    void setLocked(bool locked);
    void finish();

    QDBusConnection bus_;
    QString path_;
    bool answered_ = false;
    std::optional<bool> active_;
    std::optional<bool> lockedHint_; // as logind last reported it
    std::optional<bool> locked_;     // the hint or the lock request, whichever came last
    std::optional<QString> state_;
};

} // namespace ostrel::x11
