#include "restore/RestoreService.h"

#include "model/RelativeFrame.h"
#include "platform/WindowService.h"
#include "restore/DisplayMapper.h"
#include "restore/MatchingService.h"
#include "restore/MoveOperation.h"
#include "restore/RestoreGeometry.h"
#include "restore/RestoreLog.h"
#include "restore/RestoreResultBuilder.h"
#include "restore/UndoTarget.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

namespace ostrel {

using namespace RestoreGeometry;

namespace {

const QString sessionInactiveReason =
    QStringLiteral("Automation paused. It resumes when the session is active.");
const QString activeGestureReason =
    QStringLiteral("A window is being moved. Finish, then choose Restore.");
const QString cancelledBeforeMove = QStringLiteral("Cancelled before this window was moved");
const QString accessRevoked = QStringLiteral("Accessibility access was revoked");
const QString cancelledBeforeRestore = QStringLiteral("Cancelled before this window was restored");
const QString excludedApp = QStringLiteral("Excluded app");

bool isCancelled(const std::shared_ptr<CancellationFlag> &flag)
{
    // Coroutines here have no task cancellation of their own: the flag is the only request.
    return flag && flag->isCancelled();
}

void markRemainingMoves(const QList<MoveOperation> &moves, qsizetype from, qsizetype end,
                        EntryOutcome outcome, const QString &detail,
                        QHash<QUuid, EntryResult> &output)
{
    for (qsizetype i = from; i < end; ++i) {
        output.insert(moves[i].entry.id,
                      RestoreResultBuilder::entryResult(moves[i].entry, outcome, detail));
    }
}

// The journal's windows as entries, for a result that names them without moving any.
QList<WindowEntry> journaledEntries(const UndoSnapshot &journal)
{
    QList<WindowEntry> entries;
    for (const UndoWindow &w : journal.entries) {
        WindowEntry e;
        e.id = QUuid::createUuid();
        e.bundleID = w.reference.bundleID;
        e.appName = w.reference.appName;
        e.role = w.reference.role;
        e.subrole = w.reference.subrole;
        e.hostname = w.reference.hostname;
        e.displayKey = w.displayKey.value_or(QString());
        e.relativeFrame = RelativeFrame::fromFrame(
            w.previousFrame, w.displayVisibleFrame.value_or(RectD{0, 0, 1, 1}));
        entries.append(e);
    }
    return entries;
}

// Progress through a pass's windows, reported for each window in its own turn: once the window
// has passed its checks, and every window before it is done (its write answered, or ended
// without one). The writes overlap, so a window's report may come after its own write went out;
// windows ended by their checks are not reported.
class Progression {
public:
    void reset(qsizetype count, std::function<void(qsizetype)> report)
    {
        passed_.assign(size_t(count), false);
        done_.assign(size_t(count), false);
        report_ = std::move(report);
        next_ = 0;
        reportedNext_ = false;
    }
    void passed(qsizetype index)
    {
        passed_[size_t(index)] = true;
        update();
    }
    void done(qsizetype index)
    {
        done_[size_t(index)] = true;
        update();
    }

private:
    void update()
    {
        while (next_ < passed_.size()) {
            if (passed_[next_] && !reportedNext_) {
                reportedNext_ = true;
                report_(qsizetype(next_));
            }
            if (!done_[next_]) {
                return;
            }
            ++next_;
            reportedNext_ = false;
        }
    }

    std::vector<bool> passed_;
    std::vector<bool> done_;
    std::function<void(qsizetype)> report_;
    size_t next_ = 0;
    bool reportedNext_ = false;
};

} // namespace

struct RestoreService::RestorePass {
    Layout layout;
    QList<CurrentDisplay> displays;
    QSet<QString> exclusions;
    RestoreOptions options;
    std::shared_ptr<CancellationFlag> cancellation;
    Progress progress;

    // Filled step by step: the entries still to place, the windows they may go to, and what
    // became of each.
    DisplayMapping mapping;
    QList<WindowEntry> pending;
    QList<WindowReference> windows; // the scan's, plus chosen windows it did not list
    bool scanTimedOut = false;
    QHash<QUuid, WindowReference> preferred;
    MatchResolution resolution;
    QHash<QUuid, EntryResult> output;
    QHash<QUuid, FrameApplyResult> writes; // what the window manager made of each write
    QList<MoveOperation> moves;
    QList<AmbiguousEntry> ambiguous;
    std::optional<QString> deferralReason;

    // What the moves did.
    QList<UndoWindow> journal;
    bool wasCancelled = false;
    bool permissionLost = false;
    bool gestureBlocked = false; // the write gate stopped a write part-way
    int movedCount = 0;
    // Per move: the frame read right before its write, and the progress of the moves.
    QList<std::optional<RectD>> previousFrames;
    QList<std::optional<UndoWindow>> journaledAt;
    Progression progression;

    void report(const RestoreProgress &value) const
    {
        if (progress) {
            progress(value);
        }
    }

    void settle(const WindowEntry &entry, EntryOutcome outcome, const QString &detail)
    {
        output.insert(entry.id, RestoreResultBuilder::entryResult(entry, outcome, detail));
    }

    // Skipped, excluded and unmappable entries end before the scan; the rest wait for it.
    void sortEntries()
    {
        mapping = DisplayMapper::map(layout.displays, displays, options.fallbackDisplays,
                                     !options.isAutomation);
        for (const WindowEntry &entry : layout.entries) {
            if (options.skippedEntryIDs.contains(entry.id)) {
                settle(entry, EntryOutcome::skipped, QStringLiteral("Skipped for this restore"));
            } else if (exclusions.contains(entry.bundleID)) {
                settle(entry, EntryOutcome::excluded, excludedApp);
            } else if (!mapping.displays.contains(entry.displayKey)) {
                settle(entry, EntryOutcome::failed,
                       QStringLiteral("The saved display is not available"));
            } else {
                pending.append(entry);
            }
        }
    }

    // Entries of applications that are running but were read only in part wait for a later
    // pass rather than being reported as not open.
    void deferUnread(const ScanOutput &scan, const QSet<QString> &running)
    {
        QSet<QString> unread = scan.incompleteBundleIDs;
        if (scan.timedOut) {
            for (const WindowEntry &entry : layout.entries) {
                if (!scan.completedBundleIDs.contains(entry.bundleID)) {
                    unread.insert(entry.bundleID);
                }
            }
        }
        const QSet<QString> deferredApps = running & unread;
        if (deferredApps.isEmpty()) {
            return;
        }
        const QString detail = scan.timedOut
            ? QStringLiteral("Window scan timed out. Try Restore again.")
            : QStringLiteral("Couldn’t read all windows. Try Restore again shortly.");
        QList<WindowEntry> still;
        for (const WindowEntry &entry : pending) {
            if (deferredApps.contains(entry.bundleID)) {
                settle(entry, EntryOutcome::deferred, detail);
                deferralReason = detail;
            } else {
                still.append(entry);
            }
        }
        pending = still;
    }

    // The window chosen earlier for `entry`, as checked again now (none when it is gone), takes
    // the scanned window's place when it is still compatible.
    void prefer(const WindowEntry &entry, const std::optional<WindowReference> &fresh)
    {
        if (!fresh || !MatchingService::isCompatible(entry, *fresh)) {
            return;
        }
        const auto scanned =
            std::find_if(windows.cbegin(), windows.cend(), [&fresh](const WindowReference &w) {
                return w.identity() == fresh->identity();
            });
        if (scanned == windows.cend()) {
            windows.append(*fresh);
            preferred.insert(entry.id, *fresh);
        } else if (!scanned->windowID && fresh->windowID) {
            preferred.insert(entry.id,
                             scanned->updating(scanned->frame, std::nullopt, fresh->windowID));
        } else {
            preferred.insert(entry.id, *scanned);
        }
    }

    bool isMatchedOnly(const WindowEntry &entry) const
    {
        return resolution.candidates.value(entry.id).isEmpty()
            && !resolution.unavailableEntryIDs.contains(entry.id)
            && resolution.matches.contains(entry.id);
    }

    // The matched windows in the order `planMoves` takes their frames.
    QList<WindowReference> matchedWindows() const
    {
        QList<WindowReference> matched;
        for (const WindowEntry &entry : pending) {
            if (isMatchedOnly(entry)) {
                matched.append(resolution.matches.value(entry.id));
            }
        }
        return matched;
    }

    // Every pending entry gets its outcome or a planned move. False when a cancellation stopped
    // the planning; `currentFrames` then may end early, as the reads stopped at it.
    bool planMoves(const QList<std::optional<RectD>> &currentFrames)
    {
        qsizetype nextFrame = 0;
        for (const WindowEntry &entry : pending) {
            const auto candidates = resolution.candidates.constFind(entry.id);
            if (candidates != resolution.candidates.constEnd() && !candidates->isEmpty()) {
                settle(entry, EntryOutcome::needsSelection,
                       QStringLiteral("Choose a matching window."));
                ambiguous.append(
                    AmbiguousEntry{entry.id, entry.label(), entry.appName, *candidates});
            } else if (resolution.unavailableEntryIDs.contains(entry.id)) {
                settle(entry, EntryOutcome::notOpen,
                       scanTimedOut ? QStringLiteral("Not found before the window scan timed out")
                                    : QStringLiteral("Not open on the active desktop"));
            } else if (resolution.matches.contains(entry.id)) {
                if (isCancelled(cancellation) || nextFrame >= currentFrames.size()) {
                    return false;
                }
                planMove(entry, resolution.matches.value(entry.id), currentFrames[nextFrame++]);
            } else {
                settle(entry, EntryOutcome::failed,
                       QStringLiteral("The window could not be matched"));
            }
        }
        return true;
    }

    void planMove(const WindowEntry &entry, const WindowReference &window,
                  const std::optional<RectD> &current)
    {
        if (!current) {
            settle(entry, EntryOutcome::failed,
                   QStringLiteral("The window is no longer available"));
            return;
        }
        const CurrentDisplay display = mapping.displays.value(entry.displayKey);
        const RectD target = entry.relativeFrame.absolute(display.visibleFrame)
                                 .clamped(display.visibleFrame, minimumWidth, minimumHeight);
        if (current->isApproximatelyEqual(target, placedTolerance)) {
            EntryResult placed = RestoreResultBuilder::entryResult(
                entry, EntryOutcome::restored, QStringLiteral("Already in place"));
            placed.frame = *current;
            placed.windowID = window.windowID;
            output.insert(entry.id, placed);
        } else {
            moves.append(MoveOperation{entry, window.updating(*current, std::nullopt, std::nullopt),
                                       target, display.name});
        }
    }

    std::optional<QString> sessionClosedReason() const
    {
        if (!options.eligibility || options.eligibility->eligible()) {
            return std::nullopt;
        }
        return options.eligibility->reason().value_or(sessionInactiveReason);
    }

    void startMoves()
    {
        previousFrames = QList<std::optional<RectD>>(moves.size());
        journaledAt = QList<std::optional<UndoWindow>>(moves.size());
        progression.reset(moves.size(), [this](qsizetype i) {
            report(RestoreProgress{int(i), int(moves.size()), moves[i].entry.label(), layout.name});
        });
    }

    // The checks before a window's move: cancellation, access (also lost by a write before it)
    // and, for an automatic restore, the session and a gesture the gate met in a write before.
    // False when the moves end here: this window and every later one are marked.
    bool mayMove(qsizetype index, bool trusted)
    {
        if (isCancelled(cancellation)) {
            markRemainingMoves(moves, index, moves.size(), EntryOutcome::cancelled,
                               cancelledBeforeMove, output);
            wasCancelled = true;
            return false;
        }
        if (!trusted || permissionLost) {
            markRemainingMoves(moves, index, moves.size(), EntryOutcome::failed, accessRevoked,
                               output);
            permissionLost = true;
            return false;
        }
        if (options.isAutomation) {
            if (const std::optional<QString> reason = sessionClosedReason()) {
                markRemainingMoves(moves, index, moves.size(), EntryOutcome::deferred, *reason,
                                   output);
                deferralReason = *reason;
                return false;
            }
            if (gestureBlocked) {
                deferRemaining(index);
                return false;
            }
        }
        return true;
    }

    void deferRemaining(qsizetype index)
    {
        markRemainingMoves(moves, index, moves.size(), EntryOutcome::deferred, activeGestureReason,
                           output);
        deferralReason = activeGestureReason;
    }

    // The window's own reads before its write, on the window service's thread: whether it is
    // still on the active desktop, and its frame then.
    MoveDecision prepareWrite(qsizetype index, WindowService &windows)
    {
        const MoveOperation &move = moves[index];
        if (!windows.isOnActiveDesktopNow(move.reference)) {
            settle(move.entry, EntryOutcome::failed,
                   QStringLiteral("The window is no longer on the active desktop"));
            progression.done(index);
            return MoveDecision::skipping();
        }
        previousFrames[index] = windows.readFrameNow(move.reference);
        return MoveDecision::writing(move.target, move.reference);
    }

    // Records what one move's write did, with the cancellation as it stands when the write
    // returned. A gesture or a lost access ends this window here, and the windows not yet
    // written at their own checks; a window written meanwhile reports its own write.
    void answered(qsizetype index, const FrameApplyResult &applied, bool cancelledNow)
    {
        const MoveOperation &move = moves[index];
        const RectD previousFrame = previousFrames[index].value_or(move.reference.frame);
        writes.insert(move.entry.id, applied);
        QList<UndoWindow> changed;
        journalPossibleChange(move, previousFrame, applied, displays, changed);
        if (!changed.isEmpty()) {
            journaledAt[index] = changed.first();
        }
        if (applied.gestureBlocked) {
            settle(move.entry, EntryOutcome::deferred, activeGestureReason);
            deferralReason = activeGestureReason;
            gestureBlocked = true;
        } else if (applied.hasPermissionFailure()) {
            settle(move.entry, EntryOutcome::failed, accessRevoked);
            permissionLost = true;
        } else {
            if (applied.after && differsBy(*applied.after, previousFrame, movedTolerance)) {
                ++movedCount;
            }
            output.insert(move.entry.id, classify(move, applied, cancelledNow));
            if (applied.cancelled || cancelledNow) {
                wasCancelled = true;
            }
        }
        progression.done(index);
    }

    // The journal keeps the windows in the order of their moves, whatever order the answers
    // came in.
    void orderJournal()
    {
        for (const std::optional<UndoWindow> &w : journaledAt) {
            if (w) {
                journal.append(*w);
            }
        }
    }

    RestoreResult::Pass resultPass(const QList<EntryResult> &entries) const
    {
        RestoreLog::passEntries(QStringLiteral("restore"), layout.name, entries, writes);
        return {.kind = ResultKind::restore,
                .layoutID = layout.id,
                .operationID = options.operationID,
                .layoutName = layout.name,
                .entries = entries,
                .ambiguous = ambiguous};
    }

    RestoreResult nothingToRestore() const
    {
        RestoreResult::Pass nothing = resultPass({});
        nothing.summary = QStringLiteral("No matching open windows");
        return RestoreResult::make(nothing);
    }

    // Deferred entries are listed, but this result counts none and gives no reason.
    RestoreResult cancelledWhilePlanning()
    {
        for (const WindowEntry &entry : pending) {
            if (!output.contains(entry.id)) {
                settle(entry, EntryOutcome::cancelled, cancelledBeforeMove);
            }
        }
        RestoreResult::Pass cancelled =
            resultPass(RestoreResultBuilder::inLayoutOrder(layout, output));
        cancelled.summary = RestoreResultBuilder::makeSummary(cancelled.entries, true, false);
        cancelled.wasCancelled = true;
        return RestoreResult::make(cancelled);
    }

    // Automation met a closed session before the first move: every move waits for a later pass.
    RestoreResult deferredBeforeMoving(const QString &reason)
    {
        markRemainingMoves(moves, 0, moves.size(), EntryOutcome::deferred, reason, output);
        RestoreResult::Pass deferred =
            resultPass(RestoreResultBuilder::inLayoutOrder(layout, output));
        deferred.summary = RestoreResultBuilder::makeSummary(deferred.entries, false, false);
        deferred.deferredCount = countOutcome(deferred.entries, EntryOutcome::deferred);
        deferred.deferredReason = reason;
        return RestoreResult::make(deferred);
    }

    RestoreResult moved() const
    {
        RestoreResult::Pass done = resultPass(RestoreResultBuilder::inLayoutOrder(layout, output));
        done.summary =
            RestoreResultBuilder::makeSummary(done.entries, wasCancelled, permissionLost);
        done.wasCancelled = wasCancelled;
        done.permissionLost = permissionLost;
        done.movedCount = movedCount;
        done.deferredCount = countOutcome(done.entries, EntryOutcome::deferred);
        done.deferredReason = deferralReason;
        return RestoreResult::make(done);
    }
};

struct RestoreService::UndoPass {
    UndoSnapshot journal;
    QList<CurrentDisplay> displays;
    QSet<QString> exclusions;
    std::shared_ptr<CancellationFlag> cancellation;
    Progress progress;

    // Per journaled window, in journal order: its entry identifier, its result, what stays in
    // the journal for a later undo, and what its write is judged by.
    struct Turn {
        QUuid entryID;
        std::optional<EntryResult> result;
        std::optional<UndoWindow> retry;
        std::optional<WindowReference> fresh; // as revalidated before the write
        std::optional<UndoTarget> target;
        std::optional<RectD> before;
    };
    QList<Turn> turns;
    bool wasCancelled = false;
    bool permissionLost = false;
    int movedCount = 0;
    Progression progression;

    void start()
    {
        turns = QList<Turn>(journal.entries.size());
        progression.reset(journal.entries.size(), [this](qsizetype i) {
            if (progress) {
                progress(RestoreProgress{int(i), int(journal.entries.size()),
                                         journal.entries[i].label, journal.layoutName});
            }
        });
    }

    const UndoWindow &window(qsizetype index) const { return journal.entries[index]; }

    static UndoWindow kept(UndoWindow window)
    {
        window.pendingFailure = true;
        return window;
    }

    // What stays in the journal when the window's write did not finish it: the window with the
    // reference it was written through.
    UndoWindow retried(qsizetype index) const
    {
        UndoWindow w = window(index);
        w.reference = *turns[index].fresh;
        w.pendingFailure = true;
        return w;
    }

    void set(qsizetype index, EntryOutcome outcome, const std::optional<QString> &detail,
             const WindowReference &named, std::optional<RectD> frame = std::nullopt,
             std::optional<quint32> windowID = std::nullopt)
    {
        EntryResult r;
        r.entryID = turns[index].entryID;
        r.label = window(index).label;
        r.appName = named.appName;
        r.bundleID = named.bundleID;
        r.outcome = outcome;
        r.detail = detail;
        r.frame = frame;
        r.windowID = windowID;
        turns[index].result = r;
    }

    // A window met without Accessibility access stays in the journal as it was.
    void keepRevoked(qsizetype index, const WindowReference &named)
    {
        turns[index].retry = kept(window(index));
        set(index, EntryOutcome::failed, accessRevoked, named);
        permissionLost = true;
    }

    // Ends every journaled window from `from` on as not yet handled: it stays in the journal.
    void cancelRemaining(qsizetype from)
    {
        for (qsizetype i = from; i < turns.size(); ++i) {
            turns[i].entryID = QUuid::createUuid();
            turns[i].retry = kept(window(i));
            set(i, EntryOutcome::cancelled, cancelledBeforeRestore, window(i).reference);
        }
        wasCancelled = true;
    }

    // The head of a window's turn: cancellation, access, exclusion. False when the window ends
    // here; a cancellation ends every later window too.
    bool passesChecks(qsizetype index, bool trusted, bool &stop)
    {
        turns[index].entryID = QUuid::createUuid();
        const UndoWindow &w = window(index);
        if (isCancelled(cancellation)) {
            cancelRemaining(index);
            stop = true;
            return false;
        }
        if (!trusted) {
            keepRevoked(index, w.reference);
            progression.done(index);
            return false;
        }
        if (exclusions.contains(w.reference.bundleID)) {
            set(index, EntryOutcome::excluded, excludedApp, w.reference);
            progression.done(index);
            return false;
        }
        return true;
    }

    // Records what one window's write did, with the cancellation as it stands when the write
    // returned. A cancellation ends the windows not yet written at their own turn.
    void record(qsizetype index, const FrameApplyResult &applied, bool cancelledNow)
    {
        const bool cancelled = applied.cancelled || cancelledNow;
        if (applied.hasPermissionFailure()) {
            keepRevoked(index, *turns[index].fresh);
        } else if (applied.after) {
            recordLanded(index, applied, cancelled);
        } else if (cancelled) {
            endCancelled(index);
        } else {
            turns[index].retry = retried(index);
            set(index, EntryOutcome::failed,
                applied.message().value_or(QStringLiteral("The window could not be restored")),
                *turns[index].fresh);
        }
        if (cancelled) {
            wasCancelled = true;
        }
        progression.done(index);
    }

    // The write reported where the window is now.
    void recordLanded(qsizetype index, const FrameApplyResult &applied, bool cancelled)
    {
        const Turn &turn = turns[index];
        const WindowReference &r = *turn.fresh;
        const UndoTarget &target = *turn.target;
        const RectD after = *applied.after;
        const bool reached = after.isApproximatelyEqual(target.frame, placedTolerance);
        const std::optional<RectD> &before = turn.before;
        if (before && differsBy(after, *before, movedTolerance)) {
            ++movedCount;
        }
        if (cancelled && !reached) {
            endCancelled(index);
            return;
        }
        std::optional<QString> detail = target.detail;
        if (before && after.isApproximatelyEqual(*before, movedTolerance) && !target.detail) {
            detail = QStringLiteral("The window could not be moved");
        }
        if (reached) {
            set(index, EntryOutcome::restored, detail, r, after, r.windowID);
        } else if (!applied.changed()) {
            turns[index].retry = retried(index);
            set(index, EntryOutcome::failed,
                applied.hasUnsupportedFailure()
                    ? QStringLiteral("The app does not allow moving this window")
                    : applied.message().value_or(QStringLiteral("The window did not move")),
                r);
        } else {
            set(index, EntryOutcome::adjusted,
                detail.value_or(QStringLiteral("The app adjusted the position or size.")), r);
        }
    }

    void endCancelled(qsizetype index)
    {
        turns[index].retry = retried(index);
        set(index, EntryOutcome::cancelled,
            QStringLiteral("Undo cancelled before reaching the previous position."),
            *turns[index].fresh);
    }

    QList<UndoWindow> retryList() const
    {
        QList<UndoWindow> left;
        for (const Turn &turn : turns) {
            if (turn.retry) {
                left.append(*turn.retry);
            }
        }
        return left;
    }

    RestoreResult result() const
    {
        QList<EntryResult> results;
        for (const Turn &turn : turns) {
            if (turn.result) {
                results.append(*turn.result);
            }
        }
        RestoreLog::passEntries(QStringLiteral("undo"), journal.layoutName, results, {});
        return RestoreResult::make(
            {.kind = ResultKind::undo,
             .operationID = journal.operationID,
             .layoutName = journal.layoutName,
             .entries = results,
             .summary = RestoreResultBuilder::makeSummary(results, wasCancelled, permissionLost),
             .wasCancelled = wasCancelled,
             .permissionLost = permissionLost,
             .movedCount = movedCount});
    }
};

RestoreService::RestoreService(WindowService &windowService, SystemBackend backend,
                               DisplayReader currentDisplays)
    : windowService_(windowService)
    , backend_(backend)
    , currentDisplays_(std::move(currentDisplays))
    , executor_(QStringLiteral("RestoreService"))
{
}

RestoreService::~RestoreService() = default;

bool RestoreService::trusted() const
{
    return backend_.trust && backend_.trust->isProcessTrusted();
}

QCoro::Task<std::optional<UndoInfo>> RestoreService::undoInfo()
{
    auto read = executor_.run([this]() -> std::optional<UndoInfo> {
        if (!undoSnapshot_) {
            return std::nullopt;
        }
        return undoSnapshot_->info();
    });
    std::optional<UndoInfo> info = co_await std::move(read);
    co_return info;
}

QCoro::Task<void> RestoreService::clearUndo()
{
    auto clear = executor_.run([this]() { undoSnapshot_.reset(); });
    co_await std::move(clear);
}

QCoro::Task<RestoreResult> RestoreService::restore(Layout layout, QList<CurrentDisplay> displays,
                                                   QSet<QString> exclusions, RestoreOptions options,
                                                   std::shared_ptr<CancellationFlag> cancellation,
                                                   Progress progress)
{
    RestorePass pass;
    pass.layout = std::move(layout);
    pass.displays = std::move(displays);
    pass.exclusions = std::move(exclusions);
    pass.options = std::move(options);
    pass.cancellation = std::move(cancellation);
    pass.progress = std::move(progress);
    const Layout &lay = pass.layout;

    if (!trusted()) {
        co_return RestoreResultBuilder::permissionFailure(lay.name, lay.entries,
                                                          ResultKind::restore);
    }
    if (lay.entries.isEmpty()) {
        co_return pass.nothingToRestore();
    }

    // Everything from the display mapping to the planned moves, and for a manual restore the
    // moves too, is one job of the window service: these steps need nothing from elsewhere
    // between them (progress may be reported from any thread), and on a busy machine each
    // hand-over between threads costs milliseconds.
    std::optional<RestoreResult> ended;
    const bool movesInJob = !pass.options.isAutomation;
    auto preparing = windowService_.batch([this, &pass, &ended, movesInJob] {
        ended = prepare(pass);
        if (!ended && movesInJob) {
            pass.startMoves();
            moveAllNow(pass);
        }
    });
    co_await std::move(preparing);
    if (ended) {
        co_return *ended;
    }
    auto moving = movePhase(pass, movesInJob);
    RestoreResult result = co_await std::move(moving);
    co_return result;
}

// The pass up to its planned moves, on the window service's thread; a result when it ends there.
std::optional<RestoreResult> RestoreService::prepare(RestorePass &pass)
{
    const Layout &lay = pass.layout;
    pass.sortEntries();
    if (isCancelled(pass.cancellation)) {
        return RestoreResultBuilder::finishCancelledScan(lay, pass.pending, pass.output,
                                                         pass.options.operationID);
    }
    const ScanOutput scan = windowService_.scanNow(pass.displays, pass.exclusions,
                                                   pass.cancellation, std::nullopt, true);
    if (scan.permissionDenied) {
        return RestoreResultBuilder::permissionFailure(lay.name, lay.entries, ResultKind::restore);
    }
    if (scan.wasCancelled || isCancelled(pass.cancellation)) {
        return RestoreResultBuilder::finishCancelledScan(lay, pass.pending, pass.output,
                                                         pass.options.operationID);
    }
    pass.deferUnread(scan, runningRegularApplications());
    pass.windows = scan.windows;
    pass.scanTimedOut = scan.timedOut;
    checkPreferredWindows(pass);
    match(pass);
    // The reads stop at a cancellation, which the planning then sees before it would need the
    // next frame.
    const QList<std::optional<RectD>> currentFrames =
        windowService_.readFramesNow(pass.matchedWindows(), pass.cancellation);
    if (!pass.planMoves(currentFrames) || isCancelled(pass.cancellation)) {
        return pass.cancelledWhilePlanning();
    }
    return std::nullopt;
}

QSet<QString> RestoreService::runningRegularApplications() const
{
    QSet<QString> running;
    if (backend_.applications) {
        for (const RunningApplication &app : backend_.applications->runningApplications()) {
            if (!app.isTerminated && !app.isHidden
                && app.activationPolicy == ActivationPolicy::regular && app.bundleIdentifier) {
                running.insert(*app.bundleIdentifier);
            }
        }
    }
    return running;
}

// The user's earlier choices, checked one by one instead of scanning again.
void RestoreService::checkPreferredWindows(RestorePass &pass)
{
    QList<WindowEntry> chosenFor;
    QList<WindowReference> chosen;
    for (auto it = pass.options.preferredWindows.constBegin();
         it != pass.options.preferredWindows.constEnd(); ++it) {
        const QUuid entryID = it.key();
        const auto entry =
            std::find_if(pass.pending.cbegin(), pass.pending.cend(),
                         [&entryID](const WindowEntry &e) { return e.id == entryID; });
        if (entry != pass.pending.cend()) {
            chosenFor.append(*entry);
            chosen.append(it.value());
        }
    }
    const QList<std::optional<WindowReference>> revalidated =
        windowService_.revalidateEachNow(chosen, pass.displays);
    for (qsizetype i = 0; i < chosenFor.size(); ++i) {
        pass.prefer(chosenFor[i], revalidated[i]);
    }
}

void RestoreService::match(RestorePass &pass)
{
    // A window chosen for two entries goes to neither automatically.
    const QSet<QUuid> conflicts = MatchingService::duplicateExplicitEntryIDs(pass.preferred);
    for (const QUuid &id : conflicts) {
        pass.preferred.remove(id);
    }
    const QSet<QUuid> explicitIDs = pass.options.explicitEntryIDs | conflicts;
    pass.resolution = MatchingService::resolve(pass.pending, pass.windows, pass.preferred,
                                               explicitIDs, pass.exclusions);
}

QCoro::Task<RestoreResult> RestoreService::movePhase(RestorePass &pass, bool moved)
{
    if (!moved && pass.options.isAutomation) {
        if (const std::optional<QString> reason = pass.sessionClosedReason()) {
            co_return pass.deferredBeforeMoving(*reason);
        }
        if (pass.options.writeGate) {
            auto gate = pass.options.writeGate();
            if (!co_await std::move(gate)) {
                pass.deferRemaining(0);
                pass.moves.clear();
            }
        }
    }

    if (!moved) {
        pass.startMoves();
        if (pass.options.writeGate) {
            auto moving = moveGated(pass);
            co_await std::move(moving);
        } else {
            auto moving = windowService_.batch([this, &pass] { moveAllNow(pass); });
            co_await std::move(moving);
        }
    }
    pass.orderJournal();

    // Reading and storing the journal happen in one operation on the actor, so nothing can
    // interleave between them.
    auto storing = executor_.run([this, &pass]() {
        undoSnapshot_ = UndoJournal::store(undoSnapshot_, pass.journal, pass.options.operationID,
                                           pass.layout.id, pass.layout.name, pass.options.mergeUndo,
                                           QDateTime::currentDateTimeUtc());
    });
    co_await std::move(storing);

    const int total = int(pass.moves.size());
    pass.report(RestoreProgress{total, total, std::nullopt, pass.layout.name});
    co_return pass.moved();
}

// Without a write gate nothing from elsewhere has to come between one window's checks and its
// write, so the moves run on the window service's thread: each window's checks, reads and write
// in turn, the writes going out without waiting for each other's answers, which are awaited
// together (a pass costs about one answer of the window manager instead of one per window).
// Each window is judged when its own write returns.
void RestoreService::moveAllNow(RestorePass &pass)
{
    WindowService::MoveSteps steps;
    steps.prepare = [this, &pass](qsizetype i) {
        if (!pass.mayMove(i, trusted())) {
            return MoveDecision::stopping();
        }
        pass.progression.passed(i);
        return pass.prepareWrite(i, windowService_);
    };
    steps.answered = [&pass](qsizetype i, const FrameApplyResult &applied) {
        pass.answered(i, applied, isCancelled(pass.cancellation));
    };
    windowService_.moveEachNow(pass.moves.size(), pass.cancellation, steps);
}

// An automatic restore asks its write gate (no mouse button held) before each window's move
// and at each of its writes' checkpoints, here where the gate runs; the writes still go out
// without waiting for the answers of the windows before them. Writes waiting at a checkpoint go
// on first, then the next window, then whatever comes in.
QCoro::Task<void> RestoreService::moveGated(RestorePass &pass)
{
    std::shared_ptr<MoveBatch> batch = windowService_.beginMoves(pass.cancellation);
    QList<qsizetype> atGate;
    const auto absorb = [&pass, &batch, &atGate](const MoveBatch::Turn &turn) {
        for (const qsizetype done : turn.done) {
            pass.answered(done, batch->result(done), isCancelled(pass.cancellation));
        }
        atGate.append(turn.atGate);
    };
    qsizetype next = 0;
    bool stopped = false;
    for (;;) {
        MoveBatch::Turn turn;
        if (!atGate.isEmpty()) {
            const qsizetype waiting = atGate.takeFirst();
            auto gate = pass.options.writeGate();
            const bool open = co_await std::move(gate);
            auto resuming = windowService_.resumeMove(batch, waiting, open);
            turn = co_await std::move(resuming);
        } else if (!stopped && next < pass.moves.size()) {
            const qsizetype i = next++;
            if (!pass.mayMove(i, trusted())) {
                stopped = true;
                continue;
            }
            auto gate = pass.options.writeGate();
            if (!co_await std::move(gate)) {
                pass.deferRemaining(i);
                stopped = true;
                continue;
            }
            pass.progression.passed(i);
            auto starting = windowService_.startMove(
                batch, i, [this, &pass, i] { return pass.prepareWrite(i, windowService_); });
            turn = co_await std::move(starting);
        } else if (batch->onTheirWay()) {
            auto collecting = windowService_.collectMoves(batch, true);
            turn = co_await std::move(collecting);
        } else {
            break;
        }
        absorb(turn);
    }
}

QCoro::Task<std::optional<RestoreResult>>
RestoreService::undo(QList<CurrentDisplay> displays, QSet<QString> exclusions,
                     std::shared_ptr<CancellationFlag> cancellation, Progress progress)
{
    auto reading = executor_.run([this]() { return undoSnapshot_; });
    const std::optional<UndoSnapshot> stored = co_await std::move(reading);
    if (!stored) {
        co_return std::nullopt;
    }
    if (!trusted()) {
        // The journal stays exactly as it was, so the same undo works once access is back.
        co_return RestoreResultBuilder::permissionFailure(
            stored->layoutName, journaledEntries(*stored), ResultKind::undo);
    }

    UndoPass pass;
    pass.journal = *stored;
    pass.displays = std::move(displays);
    pass.exclusions = std::move(exclusions);
    pass.cancellation = std::move(cancellation);
    pass.progress = std::move(progress);
    if (pass.displays.isEmpty() && currentDisplays_) {
        pass.displays = currentDisplays_();
    }
    pass.start();

    // Each window's checks, revalidation, displays and target, read and write in turn, as one
    // job of the window service: the writes go out without waiting for each other's answers,
    // and each window is judged when its own write returns.
    WindowService::MoveSteps steps;
    steps.prepare = [this, &pass](qsizetype i) { return prepareUndo(pass, i); };
    steps.answered = [&pass](qsizetype i, const FrameApplyResult &applied) {
        pass.record(i, applied, isCancelled(pass.cancellation));
    };
    auto moving =
        windowService_.moveEach(pass.journal.entries.size(), pass.cancellation, std::move(steps));
    co_await std::move(moving);

    const QList<UndoWindow> left = UndoJournal::dedupe(pass.retryList());
    auto storing = executor_.run([this, &left, &pass]() {
        if (left.isEmpty()) {
            undoSnapshot_.reset();
            return;
        }
        UndoSnapshot next = pass.journal;
        next.entries = left;
        next.hasPendingFailures = std::any_of(left.begin(), left.end(),
                                              [](const UndoWindow &w) { return w.pendingFailure; });
        next.date = QDateTime::currentDateTimeUtc();
        undoSnapshot_ = next;
    });
    co_await std::move(storing);
    co_return pass.result();
}

// One journaled window's turn up to its write, on the window service's thread.
MoveDecision RestoreService::prepareUndo(UndoPass &pass, qsizetype index)
{
    bool stop = false;
    if (!pass.passesChecks(index, trusted(), stop)) {
        return stop ? MoveDecision::stopping() : MoveDecision::skipping();
    }
    pass.progression.passed(index);
    const UndoWindow &w = pass.window(index);
    const std::optional<WindowReference> fresh =
        windowService_.revalidateNow(w.reference, pass.displays);
    if (!fresh) {
        // Revalidation also answers none when access was withdrawn meanwhile; the window may
        // well still exist, so it stays in the journal like any window met without access.
        if (!trusted()) {
            pass.keepRevoked(index, w.reference);
        } else {
            pass.set(index, EntryOutcome::notOpen, QStringLiteral("The window is no longer open"),
                     w.reference);
        }
        pass.progression.done(index);
        return MoveDecision::skipping();
    }
    // The displays of now, for this window's target and the next windows' checks: a display
    // change during an undo reaches every later window.
    if (currentDisplays_) {
        pass.displays = currentDisplays_();
    }
    const std::optional<UndoTarget> target = UndoTarget::forWindow(w, pass.displays);
    if (!target) {
        pass.turns[index].retry = UndoPass::kept(w);
        pass.set(index, EntryOutcome::failed,
                 QStringLiteral("No display is available for this window"), *fresh);
        pass.progression.done(index);
        return MoveDecision::skipping();
    }
    UndoPass::Turn &turn = pass.turns[index];
    turn.fresh = *fresh;
    turn.target = *target;
    turn.before = windowService_.readFrameNow(*fresh);
    return MoveDecision::writing(target->frame, *fresh);
}

} // namespace ostrel
