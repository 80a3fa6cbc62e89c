#pragma once

#include "ui/illustrations/HairlineFrameClock.h"
#include "ui/illustrations/HairlinePalette.h"

#include <QColor>
#include <QMetaObject>
#include <QWidget>

#include <memory>
#include <optional>

namespace ostrel {

class ReduceMotion;

// The phase of the window that shows an illustration; only the background stops it.
enum class HairlineScenePhase { Active, Inactive, Background };

// What the four line illustrations share: their host-set fields, visibility and scene phase,
// the reduce-motion switch, the frame loop with its restart whenever its identity (active,
// running, reduced motion, and for one canvas the intensity) changes, the pointer, painting,
// the readout overlay and accessibility. Each canvas supplies its simulation's behaviour.
class HairlineCanvas : public QWidget {
    Q_OBJECT

public:
    ~HairlineCanvas() override;

    double intensity() const { return intensity_; }
    void setIntensity(double intensity);

    bool paused() const { return paused_; }
    void setPaused(bool paused);

    bool dark() const { return dark_; }
    void setDark(bool dark);

    std::optional<QColor> surface() const { return surface_; }
    void setSurface(std::optional<QColor> surface);

    // The desktop's reduce-motion switch; none means motion is allowed. Not owned.
    void setReduceMotionSource(ReduceMotion *source);
    bool reduceMotion() const { return reduceMotion_; }

    // Follows the application's state unless set here.
    void setScenePhase(HairlineScenePhase phase);

    // Replaces the frame loop's clock (the real one by default).
    void setFrameClock(std::unique_ptr<HairlineFrameClock> clock);

    // Visible, not paused and not in a background scene.
    bool isActive() const;
    // A frame is due: the loop has not ended.
    bool isLoopRunning() const { return loopRunning_; }

    // The status text of the simulation.
    virtual QString readout() const = 0;
    // "Paused" while paused, else the readout.
    QString accessibilityValue() const;

    // Draws the picture, without the readout overlay, into a painter covering `size`. The
    // widget paints through it, and so can a test or a host into an offscreen image.
    virtual void paintDrawing(QPainter &painter, QSizeF size) const = 0;

    // The pointer in the canvas's own coordinates, and its leaving. The widget's own mouse
    // tracking calls these; a host that shows the drawing transformed forwards them.
    void hoverAt(QPointF local);
    void hoverEnded();

    // A host that paints the drawing itself (blended, turned); the canvas then paints nothing
    // and takes no pointer events of its own, and announces every change of its drawing.
    void setRenderedByHost(bool rendered);

signals:
    void drawingChanged();

protected:
    struct Playback {
        bool active = false;
        bool running = false;
        bool reduced = false;
        double intensity = 0; // only for the canvas whose loop restarts with the intensity

        bool operator==(const Playback &other) const;
    };

    HairlineCanvas(const QString &identifier, const QString &label, QWidget *parent);

    // --- what each canvas supplies ---
    // The loop's run condition, also the `running` of its identity.
    virtual bool runCondition() const = 0;
    // True when the loop checks the run condition before its first frame; otherwise a loop
    // that starts always plays at least one frame.
    virtual bool checksRunConditionFirst() const = 0;
    virtual bool restartsWithIntensity() const { return false; }
    virtual bool hovering() const = 0;
    // Back to the tour: no pointer, the tour at its start.
    virtual void rewind() = 0;
    virtual void settle() = 0;
    virtual void appeared() = 0;
    virtual void intensityChanged() = 0;
    // Only called while active.
    virtual void hoveredAt(QPointF local, QSizeF size) = 0;
    // One frame of the loop: the clamped step and the intensity the loop started with.
    virtual void frame(double dt, double intensity) = 0;
    // What most canvases do; the keyboard leaves its settling to the restarted loop.
    virtual void disappeared() { rewind(); }
    virtual void becameInactive();
    virtual void reduceMotionTurnedOn();
    virtual void hoverLeft();
    virtual bool showsReadoutOverlay() const { return showsReadout_; }
    virtual QColor readoutColor() const;

    // The readout overlay, for the canvases that offer it.
    bool showsReadout() const { return showsReadout_; }
    void setShowsReadout(bool shows);

    // Under reduced motion every change of a target lands at once.
    void settleIfReduced();

    HairlinePalette colors() const { return HairlinePalette::forAppearance(dark_, surface_); }

    // Call after every change of the simulation: repaints and restarts the loop when its
    // identity changed.
    void simulationChanged();

    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Playback playback() const;
    void refreshPlayback();
    void startLoop();
    void wake();
    void activityMayHaveChanged();
    void followApplicationState();

    double intensity_ = 0.5;
    bool paused_ = false;
    bool dark_ = false;
    std::optional<QColor> surface_;
    bool reduceMotion_ = false;
    HairlineScenePhase scenePhase_ = HairlineScenePhase::Active;
    bool visible_ = false;
    bool wasActive_ = false;
    bool renderedByHost_ = false;
    bool showsReadout_ = false;

    std::unique_ptr<HairlineFrameClock> clock_;
    QMetaObject::Connection reduceMotionConnection_;
    Playback playback_;
    bool playbackStarted_ = false;
    bool refreshing_ = false;
    bool refreshAgain_ = false;
    bool loopRunning_ = false;
    double last_ = 0;
    double loopIntensity_ = 0;
};

} // namespace ostrel
