#include "restore/RestoreService.h"

#include "model/RelativeFrame.h"
#include "platform/WindowService.h"
#include "restore/DisplayMapper.h"
#include "restore/MatchingService.h"
#include "restore/MoveOperation.h"
#include "restore/RestoreGeometry.h"
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

bool isCancelled(const std::shared_ptr<CancellationFlag> &flag)
{
    // Coroutines here have no task cancellation of their own: the flag is the only request.
    return flag && flag->isCancelled();
}

void markRemainingMoves(const QList<MoveOperation> &moves, qsizetype from, EntryOutcome outcome,
                        const QString &detail, QHash<QUuid, EntryResult> &output)
{
    for (qsizetype i = from; i < moves.size(); ++i) {
        output.insert(moves[i].entry.id,
                      RestoreResultBuilder::entryResult(moves[i].entry, outcome, detail));
    }
}

} // namespace

struct RestoreService::RestorePass {
    Layout layout;
    QList<CurrentDisplay> displays;
    QSet<QString> exclusions;
    RestoreOptions options;
    std::shared_ptr<CancellationFlag> cancellation;
    Progress progress;

    QHash<QUuid, EntryResult> output;
    QList<MoveOperation> moves;
    QList<AmbiguousEntry> ambiguous;
    std::optional<QString> deferralReason;

    void report(const RestoreProgress &value) const
    {
        if (progress) {
            progress(value);
        }
    }
};

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

    // Ends every journaled window from `from` on as not yet handled: it stays in the journal.
    void cancelRemaining(qsizetype from)
    {
        for (qsizetype i = from; i < journal.entries.size(); ++i) {
            const UndoWindow &w = journal.entries[i];
            retry.append(kept(w));
            append(w, QUuid::createUuid(), EntryOutcome::cancelled, cancelledBeforeRestore,
                   w.reference.appName, w.reference.bundleID);
        }
        wasCancelled = true;
        finished = true;
    }
};

RestoreService::RestoreService(WindowService &windowService, SystemBackend backend,
                               DisplayReader currentDisplays)
    : windowService_(windowService),
      backend_(backend),
      currentDisplays_(std::move(currentDisplays)),
      executor_(QStringLiteral("RestoreService"))
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
        co_return RestoreResult::make({.kind = ResultKind::restore,
                                       .layoutID = lay.id,
                                       .operationID = pass.options.operationID,
                                       .layoutName = lay.name,
                                       .summary = QStringLiteral("No matching open windows")});
    }

    // Mapping and the pre-pass run on the actor: the arrangement search is the pass's only
    // real computation before the scan.
    QList<WindowEntry> pending;
    DisplayMapping mapping;
    auto prepare = executor_.run([&pass, &pending, &mapping]() {
        mapping = DisplayMapper::map(pass.layout.displays, pass.displays,
                                     pass.options.fallbackDisplays, !pass.options.isAutomation);
        for (const WindowEntry &entry : pass.layout.entries) {
            if (pass.options.skippedEntryIDs.contains(entry.id)) {
                pass.output.insert(entry.id, RestoreResultBuilder::entryResult(
                                                 entry, EntryOutcome::skipped,
                                                 QStringLiteral("Skipped for this restore")));
            } else if (pass.exclusions.contains(entry.bundleID)) {
                pass.output.insert(
                    entry.id, RestoreResultBuilder::entryResult(entry, EntryOutcome::excluded,
                                                                QStringLiteral("Excluded app")));
            } else if (!mapping.displays.contains(entry.displayKey)) {
                pass.output.insert(entry.id,
                                   RestoreResultBuilder::entryResult(
                                       entry, EntryOutcome::failed,
                                       QStringLiteral("The saved display is not available")));
            } else {
                pending.append(entry);
            }
        }
    });
    co_await std::move(prepare);

    if (isCancelled(pass.cancellation)) {
        co_return RestoreResultBuilder::finishCancelledScan(lay, pending, pass.output,
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
        co_return RestoreResultBuilder::finishCancelledScan(lay, pending, pass.output,
                                                            pass.options.operationID);
    }

    // Entries of applications that are running but were read only in part wait for a later
    // pass rather than being reported as not open.
    QSet<QString> running;
    if (backend_.applications) {
        for (const RunningApplication &app : backend_.applications->runningApplications()) {
            if (!app.isTerminated && !app.isHidden
                && app.activationPolicy == ActivationPolicy::regular && app.bundleIdentifier) {
                running.insert(*app.bundleIdentifier);
            }
        }
    }
    QSet<QString> unread = scan.incompleteBundleIDs;
    if (scan.timedOut) {
        for (const WindowEntry &entry : lay.entries) {
            if (!scan.completedBundleIDs.contains(entry.bundleID)) {
                unread.insert(entry.bundleID);
            }
        }
    }
    const QSet<QString> deferredApps = running & unread;
    if (!deferredApps.isEmpty()) {
        const QString detail =
            scan.timedOut ? QStringLiteral("Window scan timed out. Try Restore again.")
                          : QStringLiteral("Couldn’t read all windows. Try Restore again shortly.");
        QList<WindowEntry> still;
        for (const WindowEntry &entry : pending) {
            if (deferredApps.contains(entry.bundleID)) {
                pass.output.insert(entry.id, RestoreResultBuilder::entryResult(
                                                 entry, EntryOutcome::deferred, detail));
                pass.deferralReason = detail;
            } else {
                still.append(entry);
            }
        }
        pending = still;
    }

    // The user's earlier choices, checked one by one instead of scanning again (in one turn of
    // the window service).
    QList<WindowReference> windows = scan.windows;
    QHash<QUuid, WindowReference> preferred;
    QList<WindowEntry> preferredEntries;
    QList<WindowReference> toRevalidate;
    for (auto it = pass.options.preferredWindows.constBegin();
         it != pass.options.preferredWindows.constEnd(); ++it) {
        const QUuid entryID = it.key();
        const auto entry =
            std::find_if(pending.cbegin(), pending.cend(),
                         [&entryID](const WindowEntry &e) { return e.id == entryID; });
        if (entry != pending.cend()) {
            preferredEntries.append(*entry);
            toRevalidate.append(it.value());
        }
    }
    auto revalidating = windowService_.revalidateEach(toRevalidate, pass.displays);
    const QList<std::optional<WindowReference>> revalidated = co_await std::move(revalidating);
    for (qsizetype i = 0; i < preferredEntries.size(); ++i) {
        const QUuid entryID = preferredEntries[i].id;
        const std::optional<WindowReference> &fresh = revalidated[i];
        if (!fresh || !MatchingService::isCompatible(preferredEntries[i], *fresh)) {
            continue;
        }
        const auto scanned =
            std::find_if(windows.cbegin(), windows.cend(), [&fresh](const WindowReference &w) {
                return w.identity() == fresh->identity();
            });
        if (scanned == windows.cend()) {
            windows.append(*fresh);
            preferred.insert(entryID, *fresh);
        } else if (!scanned->windowID && fresh->windowID) {
            preferred.insert(entryID,
                             scanned->updating(scanned->frame, std::nullopt, fresh->windowID));
        } else {
            preferred.insert(entryID, *scanned);
        }
    }

    // A window chosen for two entries goes to neither automatically.
    const QSet<QUuid> conflicts = MatchingService::duplicateExplicitEntryIDs(preferred);
    for (const QUuid &id : conflicts) {
        preferred.remove(id);
    }
    const QSet<QUuid> explicitIDs = pass.options.explicitEntryIDs | conflicts;

    MatchResolution resolution;
    auto matching = executor_.run([&]() {
        resolution =
            MatchingService::resolve(pending, windows, preferred, explicitIDs, pass.exclusions);
    });
    co_await std::move(matching);

    // The frames of the matched windows, read in one turn of the window service; the reads stop
    // at a cancellation, which the loop below then sees before it would need the next frame.
    QList<WindowReference> matchedWindows;
    for (const WindowEntry &entry : pending) {
        if (!resolution.candidates.value(entry.id).isEmpty()
            || resolution.unavailableEntryIDs.contains(entry.id)) {
            continue;
        }
        if (const auto match = resolution.matches.constFind(entry.id);
            match != resolution.matches.constEnd()) {
            matchedWindows.append(*match);
        }
    }
    auto readingFrames = windowService_.readFrames(matchedWindows, pass.cancellation);
    const QList<std::optional<RectD>> currentFrames = co_await std::move(readingFrames);
    qsizetype nextFrame = 0;

    bool cancelledInPlanning = false;
    for (const WindowEntry &entry : pending) {
        const CurrentDisplay display = mapping.displays.value(entry.displayKey);
        const auto candidates = resolution.candidates.constFind(entry.id);
        if (candidates != resolution.candidates.constEnd() && !candidates->isEmpty()) {
            pass.output.insert(entry.id, RestoreResultBuilder::entryResult(
                                             entry, EntryOutcome::needsSelection,
                                             QStringLiteral("Choose a matching window.")));
            pass.ambiguous.append(
                AmbiguousEntry{entry.id, entry.label(), entry.appName, *candidates});
        } else if (resolution.unavailableEntryIDs.contains(entry.id)) {
            pass.output.insert(
                entry.id,
                RestoreResultBuilder::entryResult(
                    entry, EntryOutcome::notOpen,
                    scan.timedOut ? QStringLiteral("Not found before the window scan timed out")
                                  : QStringLiteral("Not open on the active desktop")));
        } else if (resolution.matches.contains(entry.id)) {
            if (isCancelled(pass.cancellation)) {
                cancelledInPlanning = true;
                break;
            }
            const WindowReference window = resolution.matches.value(entry.id);
            if (nextFrame >= currentFrames.size()) {
                // The reads stopped at a cancellation.
                cancelledInPlanning = true;
                break;
            }
            const std::optional<RectD> &current = currentFrames[nextFrame++];
            if (!current) {
                pass.output.insert(entry.id,
                                   RestoreResultBuilder::entryResult(
                                       entry, EntryOutcome::failed,
                                       QStringLiteral("The window is no longer available")));
                continue;
            }
            const RectD target = entry.relativeFrame.absolute(display.visibleFrame)
                                     .clamped(display.visibleFrame, minimumWidth, minimumHeight);
            if (current->isApproximatelyEqual(target, placedTolerance)) {
                EntryResult placed = RestoreResultBuilder::entryResult(
                    entry, EntryOutcome::restored, QStringLiteral("Already in place"));
                placed.frame = *current;
                placed.windowID = window.windowID;
                pass.output.insert(entry.id, placed);
            } else {
                pass.moves.append(
                    MoveOperation{entry, window.updating(*current, std::nullopt, std::nullopt),
                                  target, display.name});
            }
        } else {
            pass.output.insert(entry.id, RestoreResultBuilder::entryResult(
                                             entry, EntryOutcome::failed,
                                             QStringLiteral("The window could not be matched")));
        }
    }

    if (cancelledInPlanning || isCancelled(pass.cancellation)) {
        for (const WindowEntry &entry : pending) {
            if (!pass.output.contains(entry.id)) {
                pass.output.insert(entry.id,
                                   RestoreResultBuilder::entryResult(entry, EntryOutcome::cancelled,
                                                                     cancelledBeforeMove));
            }
        }
        const QList<EntryResult> entries = RestoreResultBuilder::inLayoutOrder(lay, pass.output);
        // Deferred entries are listed, but this result counts none and gives no reason.
        co_return RestoreResult::make({.kind = ResultKind::restore,
                                       .layoutID = lay.id,
                                       .operationID = pass.options.operationID,
                                       .layoutName = lay.name,
                                       .entries = entries,
                                       .ambiguous = pass.ambiguous,
                                       .summary = RestoreResultBuilder::makeSummary(entries, true, false),
                                       .wasCancelled = true});
    }

    auto moving = movePhase(pass);
    RestoreResult result = co_await std::move(moving);
    co_return result;
}

QCoro::Task<RestoreResult> RestoreService::movePhase(RestorePass &pass)
{
    const Layout &lay = pass.layout;
    const RestoreOptions &options = pass.options;
    bool wasCancelled = false;
    bool permissionLost = false;
    int movedCount = 0;
    QList<UndoWindow> journal;

    const auto sessionClosedReason = [&options]() -> std::optional<QString> {
        if (!options.eligibility || options.eligibility->eligible()) {
            return std::nullopt;
        }
        return options.eligibility->reason().value_or(sessionInactiveReason);
    };

    if (options.isAutomation) {
        if (const std::optional<QString> reason = sessionClosedReason()) {
            markRemainingMoves(pass.moves, 0, EntryOutcome::deferred, *reason, pass.output);
            const QList<EntryResult> entries =
                RestoreResultBuilder::inLayoutOrder(lay, pass.output);
            co_return RestoreResult::make({.kind = ResultKind::restore,
                                           .layoutID = lay.id,
                                           .operationID = options.operationID,
                                           .layoutName = lay.name,
                                           .entries = entries,
                                           .ambiguous = pass.ambiguous,
                                           .summary =
                                               RestoreResultBuilder::makeSummary(entries, false, false),
                                           .deferredCount = countOutcome(entries, EntryOutcome::deferred),
                                           .deferredReason = *reason});
        }
        if (options.writeGate) {
            auto gate = options.writeGate();
            const bool open = co_await std::move(gate);
            if (!open) {
                markRemainingMoves(pass.moves, 0, EntryOutcome::deferred, activeGestureReason,
                                   pass.output);
                pass.deferralReason = activeGestureReason;
                pass.moves.clear();
            }
        }
    }

    const qsizetype total = pass.moves.size();
    for (qsizetype i = 0; i < total; ++i) {
        const MoveOperation &move = pass.moves[i];
        if (isCancelled(pass.cancellation)) {
            markRemainingMoves(pass.moves, i, EntryOutcome::cancelled, cancelledBeforeMove,
                               pass.output);
            wasCancelled = true;
            break;
        }
        if (!trusted()) {
            markRemainingMoves(pass.moves, i, EntryOutcome::failed, accessRevoked, pass.output);
            permissionLost = true;
            break;
        }
        if (options.isAutomation) {
            if (const std::optional<QString> reason = sessionClosedReason()) {
                markRemainingMoves(pass.moves, i, EntryOutcome::deferred, *reason, pass.output);
                pass.deferralReason = *reason;
                break;
            }
            if (options.writeGate) {
                auto gate = options.writeGate();
                const bool open = co_await std::move(gate);
                if (!open) {
                    markRemainingMoves(pass.moves, i, EntryOutcome::deferred, activeGestureReason,
                                       pass.output);
                    pass.deferralReason = activeGestureReason;
                    break;
                }
            }
        }

        pass.report(RestoreProgress{int(i), int(total), move.entry.label(), lay.name});

        auto attempting = attemptMove(move, pass);
        const WindowMove attempt = co_await std::move(attempting);
        if (!attempt.onActiveDesktop) {
            pass.output.insert(
                move.entry.id,
                RestoreResultBuilder::entryResult(
                    move.entry, EntryOutcome::failed,
                    QStringLiteral("The window is no longer on the active desktop")));
            continue;
        }
        const RectD previousFrame = attempt.previousFrame.value_or(move.reference.frame);
        const FrameApplyResult &applied = attempt.applied;

        journalPossibleChange(move, previousFrame, applied, pass.displays, journal);
        if (applied.gestureBlocked) {
            markRemainingMoves(pass.moves, i, EntryOutcome::deferred, activeGestureReason,
                               pass.output);
            pass.deferralReason = activeGestureReason;
            break;
        }
        if (applied.hasPermissionFailure()) {
            markRemainingMoves(pass.moves, i, EntryOutcome::failed, accessRevoked, pass.output);
            permissionLost = true;
            break;
        }
        if (applied.after && differsBy(*applied.after, previousFrame, movedTolerance)) {
            ++movedCount;
        }
        pass.output.insert(move.entry.id, classify(move, applied, isCancelled(pass.cancellation)));
        if (applied.cancelled || isCancelled(pass.cancellation)) {
            markRemainingMoves(pass.moves, i + 1, EntryOutcome::cancelled, cancelledBeforeMove,
                               pass.output);
            wasCancelled = true;
            break;
        }
    }

    // Reading and storing the journal happen in one operation on the actor, so nothing can
    // interleave between them.
    auto storing = executor_.run([this, &journal, &options, &lay]() {
        undoSnapshot_ =
            UndoJournal::store(undoSnapshot_, journal, options.operationID, lay.id, lay.name,
                               options.mergeUndo, QDateTime::currentDateTimeUtc());
    });
    co_await std::move(storing);

    pass.report(
        RestoreProgress{int(pass.moves.size()), int(pass.moves.size()), std::nullopt, lay.name});

    const QList<EntryResult> entries = RestoreResultBuilder::inLayoutOrder(lay, pass.output);
    co_return RestoreResult::make({.kind = ResultKind::restore,
                                   .layoutID = lay.id,
                                   .operationID = options.operationID,
                                   .layoutName = lay.name,
                                   .entries = entries,
                                   .ambiguous = pass.ambiguous,
                                   .summary = RestoreResultBuilder::makeSummary(entries, wasCancelled,
                                                                                permissionLost),
                                   .wasCancelled = wasCancelled,
                                   .permissionLost = permissionLost,
                                   .movedCount = movedCount,
                                   .deferredCount = countOutcome(entries, EntryOutcome::deferred),
                                   .deferredReason = pass.deferralReason});
}

// A manual restore passes no write gate, so nothing from elsewhere comes between the
// active-desktop test, the read of the frame before and the write: they run in one turn of the
// window service.
QCoro::Task<WindowMove> RestoreService::attemptMove(const MoveOperation &move,
                                                    const RestorePass &pass)
{
    const WriteGate gate = pass.options.isAutomation ? pass.options.writeGate : WriteGate{};
    if (!gate) {
        auto moving =
            windowService_.moveWithoutGate(move.target, move.reference, pass.cancellation);
        co_return co_await std::move(moving);
    }
    WindowMove attempt;
    auto onDesktop = windowService_.isOnActiveDesktop(move.reference);
    attempt.onActiveDesktop = co_await std::move(onDesktop);
    if (!attempt.onActiveDesktop) {
        co_return attempt;
    }
    auto reading = windowService_.readFrame(move.reference);
    attempt.previousFrame = co_await std::move(reading);
    auto writing = windowService_.setFrame(move.target, move.reference, pass.cancellation, gate);
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
        QList<WindowEntry> entries;
        for (const UndoWindow &w : stored->entries) {
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
        co_return RestoreResultBuilder::permissionFailure(stored->layoutName, entries,
                                                          ResultKind::undo);
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

    const QString summary =
        RestoreResultBuilder::makeSummary(pass.results, pass.wasCancelled, pass.permissionLost);
    co_return RestoreResult::make({.kind = ResultKind::undo,
                                   .operationID = pass.journal.operationID,
                                   .layoutName = pass.journal.layoutName,
                                   .entries = pass.results,
                                   .summary = summary,
                                   .wasCancelled = pass.wasCancelled,
                                   .permissionLost = pass.permissionLost,
                                   .movedCount = pass.movedCount});
}

QCoro::Task<void> RestoreService::undoWindow(UndoPass &pass, qsizetype index)
{
    const UndoWindow w = pass.journal.entries[index];
    const QUuid entryID = QUuid::createUuid();
    const QString &journalName = pass.journal.layoutName;

    if (isCancelled(pass.cancellation)) {
        pass.retry.append(UndoPass::kept(w));
        pass.append(w, entryID, EntryOutcome::cancelled, cancelledBeforeRestore,
                    w.reference.appName, w.reference.bundleID);
        pass.wasCancelled = true;
        co_return;
    }
    if (!trusted()) {
        pass.keepRevoked(w, entryID, w.reference);
        co_return;
    }
    if (pass.exclusions.contains(w.reference.bundleID)) {
        pass.append(w, entryID, EntryOutcome::excluded, QStringLiteral("Excluded app"),
                    w.reference.appName, w.reference.bundleID);
        co_return;
    }

    if (pass.progress) {
        pass.progress(
            RestoreProgress{int(index), int(pass.journal.entries.size()), w.label, journalName});
    }

    auto revalidating = windowService_.revalidate(w.reference, pass.displays);
    const std::optional<WindowReference> fresh = co_await std::move(revalidating);
    if (!fresh) {
        // Revalidation also answers none when access was withdrawn meanwhile; the window may
        // well still exist, so it stays in the journal like any window met without access.
        if (!trusted()) {
            pass.keepRevoked(w, entryID, w.reference);
            co_return;
        }
        pass.append(w, entryID, EntryOutcome::notOpen,
                    QStringLiteral("The window is no longer open"), w.reference.appName,
                    w.reference.bundleID);
        co_return;
    }
    const WindowReference &r = *fresh;

    if (currentDisplays_) {
        pass.displays = currentDisplays_();
    }
    const std::optional<UndoTarget> target = UndoTarget::forWindow(w, pass.displays);
    if (!target) {
        pass.retry.append(UndoPass::kept(w));
        pass.append(w, entryID, EntryOutcome::failed,
                    QStringLiteral("No display is available for this window"), r.appName,
                    r.bundleID);
        co_return;
    }

    UndoWindow withFresh = w;
    withFresh.reference = r;
    withFresh.pendingFailure = true;

    auto reading = windowService_.readFrame(r);
    const std::optional<RectD> before = co_await std::move(reading);
    auto writing = windowService_.setFrame(target->frame, r, pass.cancellation, WriteGate{});
    const FrameApplyResult applied = co_await std::move(writing);

    if (applied.hasPermissionFailure()) {
        pass.keepRevoked(w, entryID, r);
        co_return;
    }

    const auto passCancelled = [&]() {
        return applied.cancelled || isCancelled(pass.cancellation);
    };
    const auto endCancelled = [&]() {
        pass.retry.append(withFresh);
        pass.append(w, entryID, EntryOutcome::cancelled,
                    QStringLiteral("Undo cancelled before reaching the previous position."),
                    r.appName, r.bundleID);
        pass.cancelRemaining(index + 1);
    };

    if (!applied.after) {
        if (passCancelled()) {
            endCancelled();
            co_return;
        }
        pass.retry.append(withFresh);
        pass.append(w, entryID, EntryOutcome::failed,
                    applied.message().value_or(QStringLiteral("The window could not be restored")),
                    r.appName, r.bundleID);
    } else {
        const RectD after = *applied.after;
        const bool reached = after.isApproximatelyEqual(target->frame, placedTolerance);
        if (before && differsBy(after, *before, movedTolerance)) {
            ++pass.movedCount;
        }
        if (passCancelled() && !reached) {
            endCancelled();
            co_return;
        }
        std::optional<QString> detail = target->detail;
        if (before && after.isApproximatelyEqual(*before, movedTolerance) && !target->detail) {
            detail = QStringLiteral("The window could not be moved");
        }
        if (reached) {
            pass.append(w, entryID, EntryOutcome::restored, detail, r.appName, r.bundleID, after,
                        r.windowID);
        } else if (!applied.changed()) {
            pass.retry.append(withFresh);
            pass.append(w, entryID, EntryOutcome::failed,
                        applied.hasUnsupportedFailure()
                            ? QStringLiteral("The app does not allow moving this window")
                            : applied.message().value_or(QStringLiteral("The window did not move")),
                        r.appName, r.bundleID);
        } else {
            pass.append(w, entryID, EntryOutcome::adjusted,
                        detail.value_or(QStringLiteral("The app adjusted the position or size.")),
                        r.appName, r.bundleID);
        }
    }

    if (passCancelled()) {
        pass.cancelRemaining(index + 1);
    }
}

} // namespace ostrel
