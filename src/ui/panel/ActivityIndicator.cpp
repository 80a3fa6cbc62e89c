#include "ui/panel/ActivityIndicator.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/SpinnerTimeline.h"

#include <QPainter>
#include <QtMath>

#include <cmath>

namespace ostrel {

namespace {

// How often the picture changes: one spoke further each time.
constexpr std::chrono::milliseconds step{1000 / ActivityIndicator::spokes};

void paintSpokes(QPainter &painter, const QRectF &square, const QColor &colour, int lead)
{
    constexpr int spokes = ActivityIndicator::spokes;
    const QPointF centre = square.center();
    const qreal radius = square.width() / 2;
    const qreal width = qMax<qreal>(1.2, radius * 0.2);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int spoke = 0; spoke < spokes; ++spoke) {
        // The spoke the indicator has just reached is the brightest; the ones behind it fade.
        const int behind = (lead - spoke + spokes) % spokes;
        QColor tone = colour;
        tone.setAlphaF(colour.alphaF() * (1.0 - 0.75 * behind / (spokes - 1)));
        painter.setPen(QPen(tone, width, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = qDegreesToRadians(spoke * 360.0 / spokes - 90.0);
        const QPointF direction(qCos(angle), qSin(angle));
        painter.drawLine(centre + direction * (radius * 0.45),
                         centre + direction * (radius - width / 2));
    }
}

} // namespace

ActivityIndicator::ActivityIndicator(int size, ThemeColor colour, QWidget *parent)
    : QWidget(parent)
    , size_(size)
    , colour_(colour)
    , timeline_(new SpinnerTimeline(this, step))
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    ScreenReader::hide(this);
}

ActivityIndicator::ActivityIndicator(int size, ThemeColor colour,
                                     const ViewEnvironment &environment, QWidget *parent)
    : ActivityIndicator(size, colour, parent)
{
    timeline_->follow(environment);
}

int ActivityIndicator::leadingSpoke() const
{
    if (timeline_->reducesMotion()) {
        return 0;
    }
    // A function of the time alone, so indicators shown side by side turn in step.
    const double seconds =
        std::chrono::duration<double>(timeline_->now().time_since_epoch()).count();
    return int((seconds - std::floor(seconds)) * spokes) % spokes;
}

QSize ActivityIndicator::sizeHint() const
{
    return QSize(size_, size_);
}

void ActivityIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int side = qMin(width(), height());
    const QRectF square((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    // Work goes on even inside a disabled control (a button that saves): never dimmed as disabled.
    QPalette active = palette();
    active.setCurrentColorGroup(QPalette::Active);
    paintSpokes(painter, square, colour_.resolve(active), leadingSpoke());
}

bool ActivityIndicator::isTurning() const
{
    return timeline_->isTurning();
}

} // namespace ostrel
