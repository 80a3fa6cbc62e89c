#include "ui/panel/SpinnerTimeline.h"

#include "system/ReduceMotion.h"
#include "ui/panel/ViewEnvironment.h"

#include <QEvent>
#include <QWidget>

namespace ostrel {

SpinnerTimeline::SpinnerTimeline(QWidget *widget, std::chrono::milliseconds interval)
    : QObject(widget)
    , widget_(widget)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval);
    connect(&timer_, &QTimer::timeout, widget, qOverload<>(&QWidget::update));
    widget->installEventFilter(this);
}

void SpinnerTimeline::follow(const ViewEnvironment &environment)
{
    clock_ = environment.clock;
    if (ReduceMotion *source = environment.reduceMotion) {
        reduceMotion_ = source->reduceMotion();
        source->onChanged(this, [this](bool reduce) {
            reduceMotion_ = reduce;
            updateTimer();
            widget_->update();
        });
    }
}

Clock::TimePoint SpinnerTimeline::now() const
{
    return clock_ ? clock_->now() : std::chrono::steady_clock::now();
}

bool SpinnerTimeline::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        updateTimer();
    }
    return QObject::eventFilter(watched, event);
}

void SpinnerTimeline::updateTimer()
{
    if (widget_->isVisible() && !reduceMotion_) {
        if (!timer_.isActive()) {
            timer_.start();
        }
    } else {
        timer_.stop();
    }
}

} // namespace ostrel
