#pragma once

#include "model/AmbiguousEntry.h"
#include "platform/MarkerContentView.h"
#include "platform/OverlayWindowRegistry.h"
#include "system/Clock.h"
#include "system/Compositing.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>
#include <stop_token>

namespace ostrel {

// Numbers the candidate windows of an ambiguous saved window on screen, so the user can tell
// them apart in the window-choice dialog. The markers go after four seconds at most, or earlier
// when cleared. Main thread only.
class MarkerOverlayService : public QObject {
    Q_OBJECT

public:
    static constexpr Clock::Duration hideAfter = std::chrono::seconds(4);

    // The clock times the automatic hide; the markers' window numbers go into `overlays`. These
    // and `compositing` (may be null) must outlive the service.
    MarkerOverlayService(Clock &clock, OverlayWindowRegistry &overlays,
                         Compositing *compositing = nullptr, QObject *parent = nullptr);
    ~MarkerOverlayService() override;

    // Replaces the markers shown by one per candidate whose window is larger than 10 × 10 points.
    void show(const QList<NumberedCandidate> &candidates);
    // Removes every marker at once.
    void clear();

    // The markers on screen, in the order of the candidates.
    QList<MarkerContentView *> panels() const;

private:
    // Cancelling the hide ends its coroutine at once.
    struct HideTask {
        std::stop_source stop;
    };
    static QCoro::Task<void> hideLater(QPointer<MarkerOverlayService> service, Clock *clock,
                                       std::shared_ptr<HideTask> task);

    Clock &clock_;
    OverlayWindowRegistry &overlays_;
    Compositing *compositing_;
    QList<MarkerContentView *> panels_;
    std::shared_ptr<HideTask> hideTask_;
};

} // namespace ostrel
