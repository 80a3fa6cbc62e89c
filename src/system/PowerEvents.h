#pragma once

#include <QObject>

namespace ostrel {

// Sleep and wake of the machine and of its screens.
//
// A backend emits the signals on the main thread. The machine's sleep is announced before it
// happens (`willSleep`) where the system allows it; the screens' sleep is whatever blanks them
// (power saving, a screen saver). A backend without a source for one of them leaves that signal
// silent.
class PowerEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~PowerEvents() override;

signals:
    void willSleep();
    void didWake();
    void screensDidSleep();
    void screensDidWake();
};

} // namespace ostrel
