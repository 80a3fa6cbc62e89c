#pragma once

#include "model/CancellationFlag.h"
#include "model/CurrentDisplay.h"
#include "model/Layout.h"
#include "model/RestoreProgress.h"
#include "model/RestoreResult.h"
#include "model/SerialExecutor.h"
#include "model/UndoInfo.h"
#include "restore/RestoreOptions.h"
#include "restore/UndoJournal.h"
#include "system/SystemBackend.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace ostrel {

class WindowService;
struct MoveOperation;
struct MoveDecision;

// Carries out restore and undo passes and keeps the one-step undo journal between them.
//
// An actor: the journal lives on the service's own executor and is read and written only
// there. A pass is a coroutine driven from the caller's thread; its working state is its own.
// The steps that need the window service and nothing from elsewhere between them (a restore
// from its display mapping to its last move, an undo's moves) run as one job of the window
// service, which works on the pass's state while the pass awaits it; the pass suspends only for
// those jobs, the write gate of an automatic restore, and the executor. Nothing in a pass
// throws: every problem is an outcome in the result.
class RestoreService {
public:
    // Published by the model while a pass runs. Called on the thread that runs the pass, or,
    // while its moves run, on the window service's thread.
    using Progress = std::function<void(const RestoreProgress &)>;
    // The connected displays now, in the display service's order; read on the thread that runs
    // the pass, or, during an undo's moves, on the window service's thread.
    using DisplayReader = std::function<QList<CurrentDisplay>()>;

    RestoreService(WindowService &windowService, SystemBackend backend,
                   DisplayReader currentDisplays);
    ~RestoreService();

    RestoreService(const RestoreService &) = delete;
    RestoreService &operator=(const RestoreService &) = delete;

    QCoro::Task<RestoreResult> restore(Layout layout, QList<CurrentDisplay> displays,
                                       QSet<QString> exclusions, RestoreOptions options,
                                       std::shared_ptr<CancellationFlag> cancellation,
                                       Progress progress);

    // None only when there is nothing to undo.
    QCoro::Task<std::optional<RestoreResult>> undo(QList<CurrentDisplay> displays,
                                                   QSet<QString> exclusions,
                                                   std::shared_ptr<CancellationFlag> cancellation,
                                                   Progress progress);

    QCoro::Task<std::optional<UndoInfo>> undoInfo();
    QCoro::Task<void> clearUndo();

private:
    struct RestorePass;
    struct UndoPass;

    // The steps of a pass. Each coroutine here is awaited at once by its caller, whose pass it
    // works on.
    QSet<QString> runningRegularApplications() const;
    std::optional<RestoreResult> prepare(RestorePass &pass);
    void checkPreferredWindows(RestorePass &pass);
    void match(RestorePass &pass);
    // `moved`: the moves were made already, with the preparation.
    QCoro::Task<RestoreResult> movePhase(RestorePass &pass, bool moved);
    void moveAllNow(RestorePass &pass);
    QCoro::Task<void> moveGated(RestorePass &pass);
    MoveDecision prepareUndo(UndoPass &pass, qsizetype index);
    bool trusted() const;

    WindowService &windowService_;
    SystemBackend backend_;
    DisplayReader currentDisplays_;
    std::optional<UndoSnapshot> undoSnapshot_; // touched only on executor_
    SerialExecutor executor_;
};

} // namespace ostrel
