#pragma once

#include "model/CancellationFlag.h"
#include "model/FrameApplyResult.h"
#include "model/RectD.h"
#include "model/WindowReference.h"
#include "platform/FrameWrite.h"
#include "system/SystemBackend.h"

#include <QList>

#include <map>
#include <utility>
#include <memory>

namespace ostrel {

// The frame writes of several windows of one pass, on their way together: each write goes out
// as soon as it is started, and the answers (and the repetitions they call for) are awaited
// together, so that a pass costs about one answer of the window manager instead of one per
// window. Windows are named by the caller's index. Used on the window service's thread only.
class MoveBatch {
public:
    MoveBatch(const SystemBackend &system, std::shared_ptr<CancellationFlag> cancellation,
              double timeout);

    // What became of the writes since the last time asked: those done, and those waiting at a
    // checkpoint for the caller's gate.
    struct Turn {
        QList<qsizetype> done;
        QList<qsizetype> atGate;
        bool isEmpty() const { return done.isEmpty() && atGate.isEmpty(); }
    };

    void start(qsizetype index, const RectD &target, const WindowReference &reference,
               bool hasGate);
    void resume(qsizetype index, bool gateOpen);
    // The writes done or at their gate so far; when `wait` and none is, first waits until at
    // least one more write has its answer (nothing when none is on its way).
    Turn collect(bool wait);
    // The same without asking the application anything: what its writes answered at once.
    Turn take() { return std::exchange(turn_, {}); }
    bool onTheirWay() const { return !sent_.isEmpty(); }

    const FrameApplyResult &result(qsizetype index) const;

private:
    void advance(qsizetype index, FrameWrite::Need need);

    SystemBackend system_;
    std::shared_ptr<CancellationFlag> cancellation_;
    double timeout_;
    std::map<qsizetype, std::unique_ptr<FrameWrite>> writes_;
    // The writes on their way and the windows they belong to.
    QList<std::shared_ptr<AXPendingFrameWrite>> sent_;
    QList<qsizetype> sentFor_;
    Turn turn_;
};

} // namespace ostrel
