#pragma once

#include "system/PowerEvents.h"

#include <QDBusConnection>

#include <optional>

namespace ostrel::x11 {

// Sleep and wake of the machine from systemd-logind on the system bus, and of the screens from
// the screen saver on the session bus:
//
//   PrepareForSleep(true) / (false)                              → willSleep / didWake
//   org.freedesktop.ScreenSaver ActiveChanged(true) / (false)    → screensDidSleep / screensDidWake
//
// A screen saver already running when the program starts counts as the screens having slept:
// its first answer to GetActive announces it. Without a bus or a service the signals stay
// silent; every call is asynchronous with a short timeout.
class X11PowerEvents : public PowerEvents {
    Q_OBJECT

public:
    static constexpr int callTimeoutMs = 2000;

    X11PowerEvents(QDBusConnection systemBus, QDBusConnection sessionBus,
                   QObject *parent = nullptr);

    // Whether the screen saver has answered (or cannot be asked).
    bool hasAnswered() const { return answered_; }

signals:
    void answered();

private slots:
    void prepareForSleep(bool starting);
    void screenSaverActiveChanged(bool active);

private:
    void setScreenSaverActive(bool active);

    QDBusConnection systemBus_;
    QDBusConnection sessionBus_;
    std::optional<bool> screenSaverActive_;
    bool answered_ = false;
};

} // namespace ostrel::x11
