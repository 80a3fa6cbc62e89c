#include "ui/panel/ActivityIndicator.h"

#include "ui/panel/Accessibility.h"

#include <QPainter>
#include <QtMath>

namespace ostrel {

namespace {

constexpr int spokes = 12;
// How often the picture changes: one spoke further each time.
constexpr int stepMs = 1000 / spokes;

void paintSpokes(QPainter &painter, const QRectF &square, const QColor &colour, qint64 elapsedMs)
{
    const int lead = int((elapsedMs / stepMs) % spokes);
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
    : QWidget(parent), size_(size), colour_(colour)
{
    setFixedSize(size, size);
    Accessibility::hide(this);
    ticks_.setInterval(stepMs);
    connect(&ticks_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    elapsed_.start();
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
    paintSpokes(painter, square, colour_.resolve(active), elapsed_.elapsed());
}

void ActivityIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ticks_.start();
}

void ActivityIndicator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    ticks_.stop();
}

} // namespace ostrel
