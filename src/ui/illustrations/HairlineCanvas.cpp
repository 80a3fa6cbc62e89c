#include "ui/illustrations/HairlineCanvas.h"

#include "system/ReduceMotion.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr std::chrono::milliseconds frameInterval{33};
constexpr double longestStep = 0.05;
constexpr int readoutInset = 18;
constexpr int captionPixelSize = 10;

// One element whose children are ignored, with the canvas's label and its value.
class HairlineCanvasAccessible : public QAccessibleWidget {
public:
    explicit HairlineCanvasAccessible(HairlineCanvas *canvas)
        : QAccessibleWidget(canvas, QAccessible::Graphic)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value) {
            return static_cast<const HairlineCanvas *>(widget())->accessibilityValue();
        }
        return QAccessibleWidget::text(kind);
    }

    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

HairlineScenePhase phaseOf(Qt::ApplicationState state)
{
    switch (state) {
    case Qt::ApplicationSuspended:
    case Qt::ApplicationHidden:
        return HairlineScenePhase::Background;
    case Qt::ApplicationInactive:
        return HairlineScenePhase::Inactive;
    case Qt::ApplicationActive:
        break;
    }
    return HairlineScenePhase::Active;
}

QAccessibleInterface *accessibleCanvas(const QString &, QObject *object)
{
    if (auto *canvas = qobject_cast<HairlineCanvas *>(object)) {
        return new HairlineCanvasAccessible(canvas);
    }
    return nullptr;
}

} // namespace

bool HairlineCanvas::Playback::operator==(const Playback &other) const
{
    const bool sameIntensity =
        intensity == other.intensity || (std::isnan(intensity) && std::isnan(other.intensity));
    return active == other.active && running == other.running && reduced == other.reduced
        && sameIntensity;
}

HairlineCanvas::HairlineCanvas(const QString &identifier, const QString &label, QWidget *parent)
    : QWidget(parent)
    , clock_(std::make_unique<HairlineSystemFrameClock>())
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleCanvas);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setObjectName(identifier);
    setAccessibleName(label);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    connect(clock_.get(), &HairlineFrameClock::woke, this, &HairlineCanvas::wake);
    scenePhase_ = phaseOf(QGuiApplication::applicationState());
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &HairlineCanvas::followApplicationState);
}

HairlineCanvas::~HairlineCanvas()
{
    QObject::disconnect(reduceMotionConnection_);
}

void HairlineCanvas::setIntensity(double intensity)
{
    if (intensity == intensity_ || (std::isnan(intensity) && std::isnan(intensity_))) {
        return;
    }
    intensity_ = intensity;
    intensityChanged();
    simulationChanged();
}

void HairlineCanvas::setPaused(bool paused)
{
    if (paused == paused_) {
        return;
    }
    paused_ = paused;
    activityMayHaveChanged();
}

void HairlineCanvas::setDark(bool dark)
{
    if (dark != dark_) {
        dark_ = dark;
        simulationChanged();
    }
}

void HairlineCanvas::setSurface(std::optional<QColor> surface)
{
    if (surface != surface_) {
        surface_ = surface;
        simulationChanged();
    }
}

void HairlineCanvas::setReduceMotionSource(ReduceMotion *source)
{
    QObject::disconnect(reduceMotionConnection_);
    reduceMotionConnection_ = {};
    const bool value = source && source->reduceMotion();
    if (source) {
        reduceMotionConnection_ = source->onChanged(this, [this](bool reduced) {
            if (reduced == reduceMotion_) {
                return;
            }
            reduceMotion_ = reduced;
            if (reduced) {
                reduceMotionTurnedOn();
            }
            simulationChanged();
        });
    }
    // Taking a source is not a change of the setting: no handler runs for its first value.
    reduceMotion_ = value;
    refreshPlayback();
}

void HairlineCanvas::setScenePhase(HairlineScenePhase phase)
{
    if (phase != scenePhase_) {
        scenePhase_ = phase;
        activityMayHaveChanged();
    }
}

void HairlineCanvas::setFrameClock(std::unique_ptr<HairlineFrameClock> clock)
{
    clock_->cancelWake();
    clock_ = std::move(clock);
    connect(clock_.get(), &HairlineFrameClock::woke, this, &HairlineCanvas::wake);
    if (loopRunning_) {
        startLoop();
    }
}

bool HairlineCanvas::isActive() const
{
    return visible_ && !paused_ && scenePhase_ != HairlineScenePhase::Background;
}

QString HairlineCanvas::accessibilityValue() const
{
    return paused_ ? QStringLiteral("Paused") : readout();
}

void HairlineCanvas::hoverAt(QPointF local)
{
    if (!isActive()) {
        return;
    }
    hoveredAt(local, size());
    simulationChanged();
}

void HairlineCanvas::hoverEnded()
{
    if (!isActive()) {
        return;
    }
    hoverLeft();
    simulationChanged();
}

void HairlineCanvas::setRenderedByHost(bool rendered)
{
    renderedByHost_ = rendered;
    setAttribute(Qt::WA_TransparentForMouseEvents, rendered);
    update();
}

void HairlineCanvas::becameInactive()
{
    if (hovering()) {
        rewind();
    }
}

void HairlineCanvas::reduceMotionTurnedOn()
{
    rewind();
    settle();
}

void HairlineCanvas::hoverLeft()
{
    rewind();
    settleIfReduced();
}

void HairlineCanvas::setShowsReadout(bool shows)
{
    if (shows != showsReadout_) {
        showsReadout_ = shows;
        update();
    }
}

void HairlineCanvas::settleIfReduced()
{
    if (reduceMotion_) {
        settle();
    }
}

QColor HairlineCanvas::readoutColor() const
{
    return colors().readout;
}

void HairlineCanvas::simulationChanged()
{
    update();
    emit drawingChanged();
    refreshPlayback();
}

HairlineCanvas::Playback HairlineCanvas::playback() const
{
    return {isActive(), runCondition(), reduceMotion_, restartsWithIntensity() ? intensity_ : 0};
}

void HairlineCanvas::refreshPlayback()
{
    // Starting the loop may settle the simulation, which asks again; ask until it holds still.
    if (refreshing_) {
        refreshAgain_ = true;
        return;
    }
    refreshing_ = true;
    do {
        refreshAgain_ = false;
        const Playback now = playback();
        if (!playbackStarted_ || !(now == playback_)) {
            playbackStarted_ = true;
            playback_ = now;
            startLoop();
        }
    } while (refreshAgain_);
    refreshing_ = false;
}

void HairlineCanvas::startLoop()
{
    clock_->cancelWake();
    loopRunning_ = false;
    if (!playback_.active) {
        return;
    }
    if (checksRunConditionFirst() && !playback_.running) {
        return;
    }
    if (playback_.reduced) {
        settle();
        simulationChanged();
        return;
    }
    loopIntensity_ = intensity_;
    last_ = clock_->uptime();
    loopRunning_ = true;
    clock_->wakeAfter(frameInterval);
}

void HairlineCanvas::wake()
{
    if (!loopRunning_) {
        return;
    }
    const double now = clock_->uptime();
    double dt = now - last_;
    if (!(dt >= 0)) {
        dt = 0; // an uptime that steps back, or is not a number, is no step
    }
    dt = std::min(dt, longestStep);
    frame(dt, loopIntensity_);
    if (runCondition()) {
        last_ = now;
        clock_->wakeAfter(frameInterval);
    } else {
        loopRunning_ = false;
    }
    simulationChanged();
}

void HairlineCanvas::activityMayHaveChanged()
{
    const bool active = isActive();
    if (wasActive_ && !active) {
        becameInactive();
    }
    wasActive_ = active;
    simulationChanged();
}

void HairlineCanvas::followApplicationState()
{
    setScenePhase(phaseOf(QGuiApplication::applicationState()));
}

void HairlineCanvas::paintEvent(QPaintEvent *)
{
    if (renderedByHost_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    paintDrawing(painter, size());
    painter.restore();
    if (!showsReadoutOverlay()) {
        return;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(captionPixelSize);
    painter.setFont(font);
    painter.setPen(readoutColor());
    const QRect area = rect().adjusted(readoutInset, readoutInset, -readoutInset, -readoutInset);
    painter.drawText(area, Qt::AlignBottom | Qt::AlignTrailing, readout());
}

void HairlineCanvas::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (visible_) {
        followApplicationState(); // back from a minimised window
        return;
    }
    appeared();
    visible_ = true;
    activityMayHaveChanged();
}

void HairlineCanvas::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!visible_) {
        return;
    }
    if (event->spontaneous()) {
        // A minimised window is a scene in the background, not a view that went away.
        setScenePhase(HairlineScenePhase::Background);
        return;
    }
    visible_ = false;
    disappeared();
    activityMayHaveChanged();
}

void HairlineCanvas::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    hoverAt(event->position());
}

void HairlineCanvas::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    hoverAt(event->position());
}

void HairlineCanvas::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    hoverEnded();
}

} // namespace ostrel
