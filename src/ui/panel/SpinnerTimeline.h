#pragma once

#include "system/Clock.h"

#include <QObject>
#include <QTimer>

#include <chrono>

class QWidget;

namespace ostrel {

struct ViewEnvironment;

// The frames of an indicator that turns: it asks its widget for a new picture at a fixed
// interval, only while the widget is on screen and motion is allowed, and tells the time the
// picture is drawn for, so that the picture is a function of the time alone. Following a view
// environment, the time is the environment's clock and the desktop's wish for reduced motion
// stops it; otherwise it turns by the real time.
class SpinnerTimeline : public QObject {
    Q_OBJECT

public:
    // Made by `widget`, which it belongs to and watches.
    SpinnerTimeline(QWidget *widget, std::chrono::milliseconds interval);

    void follow(const ViewEnvironment &environment);

    Clock::TimePoint now() const;
    bool reducesMotion() const { return reduceMotion_; }
    // Whether frames are being asked for.
    bool isTurning() const { return timer_.isActive(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateTimer();

    QWidget *widget_;
    Clock *clock_ = nullptr;
    bool reduceMotion_ = false;
    QTimer timer_;
};

} // namespace ostrel
