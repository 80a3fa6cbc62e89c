#pragma once

#include "system/Clock.h"
#include "ui/panel/ThemeColor.h"

#include <QWidget>

namespace ostrel {

class SpinnerTimeline;
struct ViewEnvironment;

// The turning "arrow.triangle.2.circlepath" of a running restore. Its angle is a function of the
// time alone (a full clockwise turn each second, counted from 1 January 2001 UTC), so every
// spinner on screen points the same way; it redraws at most 30 times a second, only while it is
// visible and motion is allowed, and stands upright and still when the desktop asks for reduced
// motion. Decorative: assistive technology skips it.
class RestoreSpinner : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds frameInterval{34};

    // The environment's clock and reduce-motion switch are used when present (real time and
    // motion allowed otherwise).
    RestoreSpinner(ThemeColor tint, double size, const ViewEnvironment &environment,
                   QWidget *parent = nullptr);

    // Degrees clockwise for a time given in seconds since the reference date.
    static double angleAt(double secondsSinceReferenceDate);
    // A point of a clock as seconds since 1 January 2001 00:00 UTC.
    static double secondsSinceReferenceDate(Clock::TimePoint time);

    // The angle drawn now: 0 under reduced motion.
    double angle() const;
    bool reducesMotion() const;
    // Whether frames are being asked for.
    bool isTurning() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ThemeColor tint_;
    double size_;
    SpinnerTimeline *timeline_;
};

} // namespace ostrel
