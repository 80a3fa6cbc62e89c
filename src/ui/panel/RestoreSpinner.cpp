#include "ui/panel/RestoreSpinner.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/SpinnerTimeline.h"
#include "ui/panel/Symbols.h"

#include <QDateTime>
#include <QPainter>

#include <cmath>

namespace ostrel {

namespace {

// 2001-01-01 00:00:00 UTC in seconds since 1970.
constexpr double referenceDate = 978307200.0;

} // namespace

RestoreSpinner::RestoreSpinner(ThemeColor tint, double size, const ViewEnvironment &environment,
                               QWidget *parent)
    : QWidget(parent)
    , tint_(tint)
    , size_(size)
    , timeline_(new SpinnerTimeline(this, frameInterval))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    ScreenReader::hide(this);
    timeline_->follow(environment);
}

double RestoreSpinner::angleAt(double secondsSinceReferenceDate)
{
    if (!std::isfinite(secondsSinceReferenceDate)) {
        return 0;
    }
    const double fraction = secondsSinceReferenceDate - std::trunc(secondsSinceReferenceDate);
    return fraction * 360.0;
}

double RestoreSpinner::secondsSinceReferenceDate(Clock::TimePoint time)
{
    // The clocks are monotonic; one reading of the wall clock beside the steady one, taken once,
    // places them on the calendar, so every spinner converts a moment the same way.
    static const auto steadyAnchor = std::chrono::steady_clock::now();
    static const double wallAnchor =
        double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - referenceDate;
    return wallAnchor + std::chrono::duration<double>(time - steadyAnchor).count();
}

double RestoreSpinner::angle() const
{
    if (timeline_->reducesMotion()) {
        return 0;
    }
    return angleAt(secondsSinceReferenceDate(timeline_->now()));
}

bool RestoreSpinner::reducesMotion() const
{
    return timeline_->reducesMotion();
}

bool RestoreSpinner::isTurning() const
{
    return timeline_->isTurning();
}

QSize RestoreSpinner::sizeHint() const
{
    const int side = Symbols::side(size_);
    return QSize(side, side);
}

void RestoreSpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int side = Symbols::side(size_);
    const QPointF centre(width() / 2.0, height() / 2.0);
    painter.translate(centre);
    painter.rotate(angle());
    Symbols::paint(painter, QRectF(-side / 2.0, -side / 2.0, side, side),
                   QStringLiteral("arrow.triangle.2.circlepath"), tint_.resolve(palette()),
                   QFont::DemiBold);
}

} // namespace ostrel
