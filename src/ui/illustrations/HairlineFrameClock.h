#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

namespace ostrel {

// The clock an illustration's frame loop runs on: the uptime it measures steps with, and the
// wake-up it sleeps until. Tests put a clock of their own in its place and step it exactly.
class HairlineFrameClock : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Seconds on a clock that only moves forward while the system runs.
    virtual double uptime() const = 0;

    // Emits `woke` once, `delay` from now; replaces a wake-up already asked for.
    virtual void wakeAfter(std::chrono::milliseconds delay) = 0;

    virtual void cancelWake() = 0;

signals:
    void woke();
};

// The real clock: the monotonic system clock and a precise single-shot timer.
class HairlineSystemFrameClock : public HairlineFrameClock {
    Q_OBJECT

public:
    explicit HairlineSystemFrameClock(QObject *parent = nullptr);

    double uptime() const override;
    void wakeAfter(std::chrono::milliseconds delay) override;
    void cancelWake() override;

private:
    QTimer timer_;
};

} // namespace ostrel
