#pragma once

#include "system/Clock.h"
#include "ui/panel/ThemeColor.h"

#include <QWidget>

namespace ostrel {

class SpinnerTimeline;
struct ViewEnvironment;

// An indeterminate progress indicator: twelve spokes in a circle, the brightest one stepping
// round once a second. It turns only while it is on screen. Decorative: the text beside it
// says what is going on.
//
// Given a view environment, its step comes from the environment's clock and it stands still
// while the desktop asks for reduced motion.
class ActivityIndicator : public QWidget {
    Q_OBJECT

public:
    static constexpr int spokes = 12;
    // The platform's control sizes.
    static constexpr int smallSize = 16;
    static constexpr int miniSize = 10;

    explicit ActivityIndicator(int size, ThemeColor colour = ThemeColor::secondary(),
                               QWidget *parent = nullptr);
    ActivityIndicator(int size, ThemeColor colour, const ViewEnvironment &environment,
                      QWidget *parent = nullptr);

    // The spoke drawn brightest now, 0 at the top, clockwise.
    int leadingSpoke() const;
    bool isTurning() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int size_;
    ThemeColor colour_;
    SpinnerTimeline *timeline_;
};

} // namespace ostrel
