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
    int movedCount = 0;

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

    // Records what one move did; false when it ends the pass. A move made together with
    // others ends only itself: the moves after it were made too and report what they did.
    bool recordMove(qsizetype index, const WindowMove &attempt, bool together = false)
    {
        const qsizetype end = together ? index + 1 : moves.size();
        const MoveOperation &move = moves[index];
        if (!attempt.onActiveDesktop) {
            settle(move.entry, EntryOutcome::failed,
                   QStringLiteral("The window is no longer on the active desktop"));
            return true;
        }
        const RectD previousFrame = attempt.previousFrame.value_or(move.reference.frame);
        const FrameApplyResult &applied = attempt.applied;
        writes.insert(move.entry.id, applied);

        journalPossibleChange(move, previousFrame, applied, displays, journal);
        if (applied.gestureBlocked) {
            markRemainingMoves(moves, index, end, EntryOutcome::deferred, activeGestureReason,
                               output);
            deferralReason = activeGestureReason;
            return false;
        }
        if (applied.hasPermissionFailure()) {
            markRemainingMoves(moves, index, end, EntryOutcome::failed, accessRevoked, output);
            permissionLost = true;
            return false;
        }
        if (applied.after && differsBy(*applied.after, previousFrame, movedTolerance)) {
            ++movedCount;
        }
        output.insert(move.entry.id, classify(move, applied, isCancelled(cancellation)));
        if (applied.cancelled || isCancelled(cancellation)) {
            markRemainingMoves(moves, index + 1, end, EntryOutcome::cancelled, cancelledBeforeMove,
                               output);
            wasCancelled = true;
            return false;
        }
        return true;
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

namespace {

// One journaled window's write of an undo and what it is judged by.
struct UndoAttempt {
    qsizetype index;
    const UndoWindow &window; // as journaled
    const QUuid &entryID;
    const WindowReference &fresh; // as revalidated before the write
    const UndoTarget &target;
    const std::optional<RectD> &before;
    const FrameApplyResult &applied;

    // What stays in the journal when this write did not finish the window.
    UndoWindow retried() const
    {
        UndoWindow w = window;
        w.reference = fresh;
        w.pendingFailure = true;
        return w;
    }
};

} // namespace

struct RestoreService::UndoPass {
    UndoSnapshot journal;
    QList<CurrentDisplay> displays;
    QSet<QString> exclusions;
    std::shared_ptr<CancellationFlag> cancellation;
    Progress progress;

    QList<EntryResult> results;
    QList<UndoWindow> retry;
    bool wasCancelled = false;
    bool permissionLost = false;
    int movedCount = 0;
    bool finished = false; // a cancellation ended every remaining window

    static UndoWindow kept(UndoWindow window)
    {
        window.pendingFailure = true;
        return window;
    }

    void report(const RestoreProgress &value) const
    {
        if (progress) {
            progress(value);
        }
    }

    void append(const UndoWindow &window, const QUuid &entryID, EntryOutcome outcome,
                const std::optional<QString> &detail, const QString &appName,
                const QString &bundleID, std::optional<RectD> frame = std::nullopt,
                std::optional<quint32> windowID = std::nullopt)
    {
        EntryResult r;
        r.entryID = entryID;
        r.label = window.label;
        r.appName = appName;
        r.bundleID = bundleID;
        r.outcome = outcome;
        r.detail = detail;
        r.frame = frame;
        r.windowID = windowID;
        results.append(r);
    }

    // A window met without Accessibility access stays in the journal as it was.
    void keepRevoked(const UndoWindow &window, const QUuid &entryID, const WindowReference &named)
    {
        retry.append(kept(window));
        append(window, entryID, EntryOutcome::failed, accessRevoked, named.appName, named.bundleID);
        permissionLost = true;
    }

    // A window not handled because of a cancellation stays in the journal.
    void keepCancelled(const UndoWindow &window, const QUuid &entryID)
    {
        retry.append(kept(window));
        append(window, entryID, EntryOutcome::cancelled, cancelledBeforeRestore,
               window.reference.appName, window.reference.bundleID);
    }

    // Ends every journaled window from `from` on as not yet handled: it stays in the journal.
    void cancelRemaining(qsizetype from)
    {
        for (qsizetype i = from; i < journal.entries.size(); ++i) {
            keepCancelled(journal.entries[i], QUuid::createUuid());
        }
        wasCancelled = true;
        finished = true;
    }

    bool cancelledBy(const FrameApplyResult &applied) const
    {
        return applied.cancelled || isCancelled(cancellation);
    }

    // Records what one window's write did; a cancellation ends the windows after it.
    void record(const UndoAttempt &attempt)
    {
        if (attempt.applied.hasPermissionFailure()) {
            keepRevoked(attempt.window, attempt.entryID, attempt.fresh);
            return;
        }
        const bool ended =
            attempt.applied.after ? recordLanded(attempt) : recordUnreported(attempt);
        if (!ended && cancelledBy(attempt.applied)) {
            cancelRemaining(attempt.index + 1);
        }
    }

    // The write reported no frame. True when it ended the pass.
    bool recordUnreported(const UndoAttempt &attempt)
    {
        if (cancelledBy(attempt.applied)) {
            endCancelled(attempt);
            return true;
        }
        retry.append(attempt.retried());
        append(
            attempt.window, attempt.entryID, EntryOutcome::failed,
            attempt.applied.message().value_or(QStringLiteral("The window could not be restored")),
            attempt.fresh.appName, attempt.fresh.bundleID);
        return false;
    }

    // The write reported where the window is now. True when it ended the pass.
    bool recordLanded(const UndoAttempt &attempt)
    {
        const FrameApplyResult &applied = attempt.applied;
        const WindowReference &r = attempt.fresh;
        const RectD after = *applied.after;
        const bool reached = after.isApproximatelyEqual(attempt.target.frame, placedTolerance);
        const std::optional<RectD> &before = attempt.before;
        if (before && differsBy(after, *before, movedTolerance)) {
            ++movedCount;
        }
        if (cancelledBy(applied) && !reached) {
            endCancelled(attempt);
            return true;
        }
        std::optional<QString> detail = attempt.target.detail;
        if (before && after.isApproximatelyEqual(*before, movedTolerance)
            && !attempt.target.detail) {
            detail = QStringLiteral("The window could not be moved");
        }
        if (reached) {
            append(attempt.window, attempt.entryID, EntryOutcome::restored, detail, r.appName,
                   r.bundleID, after, r.windowID);
        } else if (!applied.changed()) {
            retry.append(attempt.retried());
            append(attempt.window, attempt.entryID, EntryOutcome::failed,
                   applied.hasUnsupportedFailure()
                       ? QStringLiteral("The app does not allow moving this window")
                       : applied.message().value_or(QStringLiteral("The window did not move")),
                   r.appName, r.bundleID);
        } else {
            append(attempt.window, attempt.entryID, EntryOutcome::adjusted,
                   detail.value_or(QStringLiteral("The app adjusted the position or size.")),
                   r.appName, r.bundleID);
        }
        return false;
    }

    void endCancelled(const UndoAttempt &attempt)
    {
        retry.append(attempt.retried());
        append(attempt.window, attempt.entryID, EntryOutcome::cancelled,
               QStringLiteral("Undo cancelled before reaching the previous position."),
               attempt.fresh.appName, attempt.fresh.bundleID);
        cancelRemaining(attempt.index + 1);
    }

    RestoreResult result() const
    {
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

    // Mapping and the pre-pass run on the actor: the arrangement search is the pass's only
    // real computation before the scan.
    auto sorting = executor_.run([&pass]() { pass.sortEntries(); });
    co_await std::move(sorting);
    if (isCancelled(pass.cancellation)) {
        co_return RestoreResultBuilder::finishCancelledScan(lay, pass.pending, pass.output,
                                                            pass.options.operationID);
    }

    auto scanning =
        windowService_.scan(pass.displays, pass.exclusions, pass.cancellation, std::nullopt, true);
    const ScanOutput scan = co_await std::move(scanning);
    if (scan.permissionDenied) {
        co_return RestoreResultBuilder::permissionFailure(lay.name, lay.entries,
                                                          ResultKind::restore);
    }
    if (scan.wasCancelled || isCancelled(pass.cancellation)) {
        co_return RestoreResultBuilder::finishCancelledScan(lay, pass.pending, pass.output,
                                                            pass.options.operationID);
    }
    pass.deferUnread(scan, runningRegularApplications());
    pass.windows = scan.windows;
    pass.scanTimedOut = scan.timedOut;

    auto checking = checkPreferredWindows(pass);
    co_await std::move(checking);
    auto matching = match(pass);
    co_await std::move(matching);

    // The frames of the matched windows, read as one job on the window service's thread; the
    // reads stop at a cancellation, which the planning then sees before it would need the next
    // frame.
    auto readingFrames = windowService_.readFrames(pass.matchedWindows(), pass.cancellation);
    const QList<std::optional<RectD>> currentFrames = co_await std::move(readingFrames);
    if (!pass.planMoves(currentFrames) || isCancelled(pass.cancellation)) {
        co_return pass.cancelledWhilePlanning();
    }

    auto moving = movePhase(pass);
    RestoreResult result = co_await std::move(moving);
    co_return result;
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

// The user's earlier choices, checked one by one instead of scanning again (as one job on the
// window service's thread).
QCoro::Task<void> RestoreService::checkPreferredWindows(RestorePass &pass)
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
    auto revalidating = windowService_.revalidateEach(chosen, pass.displays);
    const QList<std::optional<WindowReference>> revalidated = co_await std::move(revalidating);
    for (qsizetype i = 0; i < chosenFor.size(); ++i) {
        pass.prefer(chosenFor[i], revalidated[i]);
    }
}

QCoro::Task<void> RestoreService::match(RestorePass &pass)
{
    // A window chosen for two entries goes to neither automatically.
    const QSet<QUuid> conflicts = MatchingService::duplicateExplicitEntryIDs(pass.preferred);
    for (const QUuid &id : conflicts) {
        pass.preferred.remove(id);
    }
    const QSet<QUuid> explicitIDs = pass.options.explicitEntryIDs | conflicts;
    auto matching = executor_.run([&pass, &explicitIDs]() {
        pass.resolution = MatchingService::resolve(pass.pending, pass.windows, pass.preferred,
                                                   explicitIDs, pass.exclusions);
    });
    co_await std::move(matching);
}

QCoro::Task<RestoreResult> RestoreService::movePhase(RestorePass &pass)
{
    if (pass.options.isAutomation) {
        if (const std::optional<QString> reason = pass.sessionClosedReason()) {
            co_return pass.deferredBeforeMoving(*reason);
        }
        auto opening = gateOpens(pass, 0);
        const bool open = co_await std::move(opening);
        if (!open) {
            pass.moves.clear();
        }
    }

    if (pass.options.isAutomation && pass.options.writeGate) {
        for (qsizetype i = 0; i < pass.moves.size(); ++i) {
            auto moving = moveOne(pass, i);
            const bool goOn = co_await std::move(moving);
            if (!goOn) {
                break;
            }
        }
    } else {
        auto moving = moveTogether(pass);
        co_await std::move(moving);
    }

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
// write, so the windows are handed to the window service together: it makes the checks and the
// write of one window after another and then awaits their answers (and the repeats) together,
// so that a pass costs about one answer of the window manager instead of one per window.
QCoro::Task<void> RestoreService::moveTogether(RestorePass &pass)
{
    const qsizetype total = pass.moves.size();
    const std::shared_ptr<CancellationFlag> cancellation = pass.cancellation;
    const SystemBackend backend = backend_;
    const std::shared_ptr<SessionEligibilityGate> eligibility =
        pass.options.isAutomation ? pass.options.eligibility : nullptr;
    // The checks of `stopsBeforeMove`, made again right before each window's write.
    const auto mayMove = [cancellation, backend, eligibility] {
        return !isCancelled(cancellation) && backend.trust && backend.trust->isProcessTrusted()
            && (!eligibility || eligibility->eligible());
    };
    qsizetype next = 0;
    while (next < total) {
        if (stopsBeforeMove(pass, next)) {
            co_return;
        }
        QList<PlannedWrite> writes;
        for (qsizetype i = next; i < total; ++i) {
            const MoveOperation &move = pass.moves[i];
            pass.report(RestoreProgress{int(i), int(total), move.entry.label(), pass.layout.name});
            writes.append(PlannedWrite{move.target, move.reference});
        }
        auto moving = windowService_.moveTogether(writes, cancellation, mayMove, writesInFlight);
        const QList<WindowMove> attempts = co_await std::move(moving);
        for (qsizetype k = 0; k < attempts.size(); ++k) {
            pass.recordMove(next + k, attempts[k], true);
        }
        next += attempts.size();
        // A write that met a cancellation or lost access ends the moves not yet made.
        if (pass.wasCancelled) {
            markRemainingMoves(pass.moves, next, total, EntryOutcome::cancelled,
                               cancelledBeforeMove, pass.output);
            co_return;
        }
        if (pass.permissionLost) {
            markRemainingMoves(pass.moves, next, total, EntryOutcome::failed, accessRevoked,
                               pass.output);
            co_return;
        }
    }
}

// An automatic restore waits for the write gate (no mouse button held) before every move; a
// closed gate defers every move from `from` on. False when it stayed closed.
QCoro::Task<bool> RestoreService::gateOpens(RestorePass &pass, qsizetype from)
{
    if (!pass.options.writeGate) {
        co_return true;
    }
    auto gate = pass.options.writeGate();
    const bool open = co_await std::move(gate);
    if (!open) {
        markRemainingMoves(pass.moves, from, pass.moves.size(), EntryOutcome::deferred,
                           activeGestureReason, pass.output);
        pass.deferralReason = activeGestureReason;
    }
    co_return open;
}

// A pass that can no longer move windows (cancelled, access gone, the session closed) ends
// every move from `index` on.
bool RestoreService::stopsBeforeMove(RestorePass &pass, qsizetype index) const
{
    if (isCancelled(pass.cancellation)) {
        markRemainingMoves(pass.moves, index, pass.moves.size(), EntryOutcome::cancelled,
                           cancelledBeforeMove, pass.output);
        pass.wasCancelled = true;
        return true;
    }
    if (!trusted()) {
        markRemainingMoves(pass.moves, index, pass.moves.size(), EntryOutcome::failed,
                           accessRevoked, pass.output);
        pass.permissionLost = true;
        return true;
    }
    if (pass.options.isAutomation) {
        if (const std::optional<QString> reason = pass.sessionClosedReason()) {
            markRemainingMoves(pass.moves, index, pass.moves.size(), EntryOutcome::deferred,
                               *reason, pass.output);
            pass.deferralReason = *reason;
            return true;
        }
    }
    return false;
}

// One planned move; false when the pass ends with it.
QCoro::Task<bool> RestoreService::moveOne(RestorePass &pass, qsizetype index)
{
    if (stopsBeforeMove(pass, index)) {
        co_return false;
    }
    if (pass.options.isAutomation) {
        auto opening = gateOpens(pass, index);
        const bool open = co_await std::move(opening);
        if (!open) {
            co_return false;
        }
    }
    const MoveOperation &move = pass.moves[index];
    pass.report(
        RestoreProgress{int(index), int(pass.moves.size()), move.entry.label(), pass.layout.name});

    auto attempting = attemptMove(move, pass);
    const WindowMove attempt = co_await std::move(attempting);
    co_return pass.recordMove(index, attempt);
}

// Only an automatic restore with a write gate moves its windows one at a time: the gate is
// asked from elsewhere before each write.
QCoro::Task<WindowMove> RestoreService::attemptMove(const MoveOperation &move,
                                                    const RestorePass &pass)
{
    WindowMove attempt;
    auto onDesktop = windowService_.isOnActiveDesktop(move.reference);
    attempt.onActiveDesktop = co_await std::move(onDesktop);
    if (!attempt.onActiveDesktop) {
        co_return attempt;
    }
    auto reading = windowService_.readFrame(move.reference);
    attempt.previousFrame = co_await std::move(reading);
    auto writing = windowService_.setFrame(move.target, move.reference, pass.cancellation,
                                           pass.options.writeGate);
    attempt.applied = co_await std::move(writing);
    co_return attempt;
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

    const qsizetype total = pass.journal.entries.size();
    for (qsizetype i = 0; i < total && !pass.finished; ++i) {
        auto handling = undoWindow(pass, i);
        co_await std::move(handling);
    }

    const QList<UndoWindow> left = UndoJournal::dedupe(pass.retry);
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

QCoro::Task<void> RestoreService::undoWindow(UndoPass &pass, qsizetype index)
{
    const UndoWindow w = pass.journal.entries[index];
    const QUuid entryID = QUuid::createUuid();
    if (settledBeforeUndo(pass, w, entryID)) {
        co_return;
    }
    pass.report(RestoreProgress{int(index), int(pass.journal.entries.size()), w.label,
                                pass.journal.layoutName});

    auto revalidating = windowService_.revalidate(w.reference, pass.displays);
    const std::optional<WindowReference> fresh = co_await std::move(revalidating);
    if (!fresh) {
        // Revalidation also answers none when access was withdrawn meanwhile; the window may
        // well still exist, so it stays in the journal like any window met without access.
        if (!trusted()) {
            pass.keepRevoked(w, entryID, w.reference);
        } else {
            pass.append(w, entryID, EntryOutcome::notOpen,
                        QStringLiteral("The window is no longer open"), w.reference.appName,
                        w.reference.bundleID);
        }
        co_return;
    }

    if (currentDisplays_) {
        pass.displays = currentDisplays_();
    }
    const std::optional<UndoTarget> target = UndoTarget::forWindow(w, pass.displays);
    if (!target) {
        pass.retry.append(UndoPass::kept(w));
        pass.append(w, entryID, EntryOutcome::failed,
                    QStringLiteral("No display is available for this window"), fresh->appName,
                    fresh->bundleID);
        co_return;
    }

    auto reading = windowService_.readFrame(*fresh);
    const std::optional<RectD> before = co_await std::move(reading);
    auto writing = windowService_.setFrame(target->frame, *fresh, pass.cancellation, WriteGate{});
    const FrameApplyResult applied = co_await std::move(writing);
    pass.record(UndoAttempt{index, w, entryID, *fresh, *target, before, applied});
}

// A window the pass must not or cannot move now ends before any request about it.
bool RestoreService::settledBeforeUndo(UndoPass &pass, const UndoWindow &window,
                                       const QUuid &entryID) const
{
    if (isCancelled(pass.cancellation)) {
        pass.keepCancelled(window, entryID);
        pass.wasCancelled = true;
        return true;
    }
    if (!trusted()) {
        pass.keepRevoked(window, entryID, window.reference);
        return true;
    }
    if (pass.exclusions.contains(window.reference.bundleID)) {
        pass.append(window, entryID, EntryOutcome::excluded, excludedApp, window.reference.appName,
                    window.reference.bundleID);
        return true;
    }
    return false;
}

} // namespace ostrel
