#include "app/RestoreCoordinator.h"

#include "app/AppModel.h"
#include "app/AutomationService.h"
#include "app/WindowPresenter.h"
#include "model/Topology.h"
#include "platform/MarkerOverlayService.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/WindowService.h"
#include "platform/WriteGate.h"
#include "restore/DisplayMapper.h"
#include "restore/MatchingService.h"

#include <QPointer>

namespace ostrel {

RestoreCoordinator::RestoreCoordinator(Links links)
    : model_(links.model)
    , host_(links.host)
    , status_(links.status)
    , sessionWindows_(links.sessionWindows)
    , environment_(links.environment)
    , windows_(links.windows)
    , automation_(links.automation)
    , eligibility_(std::move(links.eligibility))
    , restoreService_(std::make_unique<RestoreService>(
          links.windows, links.environment.system,
          [&model = links.model] { return model.currentDisplays(); }))
{
}

RestoreCoordinator::~RestoreCoordinator() = default;

void RestoreCoordinator::stopAndWait()
{
    if (!restoreTask_ || restoreTask_->isReady()) {
        return;
    }
    if (cancellation_) {
        cancellation_->cancel();
    }
    QCoro::Task<void> running = std::move(*restoreTask_);
    restoreTask_.reset();
    // QCoro's blocking wait never returns for a task that throws: catch it in between.
    auto settled = [](QCoro::Task<void> pass) -> QCoro::Task<void> {
        try {
            co_await std::move(pass);
        } catch (...) {
        }
    };
    QCoro::waitFor(settled(std::move(running)));
}

// --- Starting a restore ----------------------------------------------------------------------

void RestoreCoordinator::restoreSelectedLayout()
{
    const std::optional<Layout> selected = model_.selectedLayout();
    if (!selected) {
        return;
    }
    const QList<CurrentDisplay> displays = model_.currentDisplays();
    // A busy model or a storage problem refuses without a word.
    if (const std::optional<Obstacle> obstacle = host_.guard(&displays).first(
            {Obstacle::permission, Obstacle::busy, Obstacle::storageProblem,
             Obstacle::pendingExclusion, Obstacle::noDisplays})) {
        host_.publishRefusal(RefusedCommand::restore, *obstacle);
        return;
    }
    const DisplayMapping mapping = DisplayMapper::map(selected->displays, displays, {}, true);
    const QList<MissingDisplay> missing =
        DisplayMapper::missingDisplays(selected->displays, mapping);
    activeManualOperation_ = ManualRestoreContext::fresh(selected->id);
    if (missing.isEmpty()) {
        startRestore(*activeManualOperation_, displays, false);
    } else {
        requestMissingDisplays(*selected, missing, displays);
    }
}

void RestoreCoordinator::restoreLayout(const QUuid &id)
{
    if (!model_.savedData().layout(id)) {
        return;
    }
    model_.selectLayout(id);
    restoreSelectedLayout();
}

void RestoreCoordinator::startRestore(ManualRestoreContext context, QList<CurrentDisplay> displays,
                                      bool isAutomation)
{
    if (const std::optional<Obstacle> obstacle =
            host_.guard().first({Obstacle::busy, Obstacle::pendingExclusion})) {
        if (*obstacle != Obstacle::pendingExclusion) {
            return;
        }
        if (isAutomation) {
            host_.deferAutomation(AutomationDeferral::busy);
        } else {
            host_.publishRefusal(RefusedCommand::restore, *obstacle);
        }
        return;
    }
    const std::optional<Layout> restored = model_.savedData().layout(context.layoutID);
    if (!restored) {
        return;
    }
    closeMissingDisplays();
    status_.set(&RestoreStatus::resolutionRequest, std::nullopt);
    environment_.presenter->close(QString(WindowID::resolution));
    clearMarkers();

    status_.update([&](RestoreStatus &status) {
        status.busy = OperationKind::restoring;
        status.progress =
            RestoreProgress{0, restored->entries.isEmpty() ? 1 : restored->entries.size(),
                            std::nullopt, restored->name};
    });
    cancellation_ = std::make_shared<CancellationFlag>();

    QSet<QUuid> entryIDs;
    for (const WindowEntry &entry : restored->entries) {
        entryIDs.insert(entry.id);
    }
    // The windows captured with the layout, then the user's own picks for the entries this
    // operation resolved by hand, which win.
    QHash<QUuid, WindowReference> preferred;
    const QHash<QUuid, WindowReference> &references = sessionWindows_.references;
    for (auto it = references.begin(); it != references.end(); ++it) {
        if (entryIDs.contains(it.key()) && !context.skippedEntryIDs.contains(it.key())) {
            preferred.insert(it.key(), it.value());
        }
    }
    const QHash<QUuid, WindowReference> &resolutions = sessionWindows_.resolutions;
    for (auto it = resolutions.begin(); it != resolutions.end(); ++it) {
        if (entryIDs.contains(it.key()) && context.explicitEntryIDs.contains(it.key())
            && !context.skippedEntryIDs.contains(it.key())) {
            preferred.insert(it.key(), it.value());
        }
    }

    RestoreOptions options;
    options.operationID = context.operationID;
    options.layoutID = restored->id;
    options.fallbackDisplays = context.fallbacks;
    options.preferredWindows = preferred;
    options.explicitEntryIDs = context.explicitEntryIDs;
    options.skippedEntryIDs = context.skippedEntryIDs;
    options.mergeUndo = context.mergeUndo;
    options.isAutomation = isAutomation;
    if (isAutomation) {
        options.eligibility = eligibility_;
        options.writeGate = mouseButtonWriteGate(*environment_.system.pointer);
    }
    restoreTask_.emplace(runRestore(*restored, std::move(displays),
                                    model_.savedData().excludedBundleIDs(), std::move(options),
                                    cancellation_, isAutomation));
}

RestoreService::Progress RestoreCoordinator::progressPublisher()
{
    QPointer<AppModel> weak(&model_);
    // The coordinator lives as long as the model: while the model is there, so is its status.
    Published<RestoreStatus> *status = &status_;
    return [weak, status](const RestoreProgress &progress) {
        if (!weak) {
            return;
        }
        QMetaObject::invokeMethod(
            weak.data(),
            [weak, status, progress] {
                if (weak) {
                    status->set(&RestoreStatus::progress, progress);
                }
            },
            Qt::AutoConnection);
    };
}

QCoro::Task<void> RestoreCoordinator::runRestore(Layout layout, QList<CurrentDisplay> displays,
                                                 QSet<QString> exclusions, RestoreOptions options,
                                                 std::shared_ptr<CancellationFlag> flag,
                                                 bool isAutomation)
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<RestoreResult> restoring =
        restoreService_->restore(std::move(layout), std::move(displays), std::move(exclusions),
                                 std::move(options), std::move(flag), progressPublisher());
    RestoreResult result = co_await restoring;
    if (!self) {
        co_return;
    }
    QCoro::Task<void> finishing = finishRestore(std::move(result), isAutomation);
    co_await finishing;
}

QCoro::Task<void> RestoreCoordinator::finishRestore(RestoreResult result, bool isAutomation)
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<void> publishing = publishUndoInfo();
    co_await publishing;
    if (!self) {
        co_return;
    }
    if (result.permissionLost) {
        host_.permissionLost();
    }
    host_.pruneSessionReferences();
    restoreTask_.reset();
    cancellation_.reset();
    // The result and the end of the pass are one change: no view sees the one without the other.
    status_.update([&](RestoreStatus &status) {
        status.lastResult = result;
        status.progress.reset();
        status.busy.reset();
    });

    if (isAutomation) {
        // The repeat suppression counts from the end of the pass.
        automation_.setLastAcceptedAt(environment_.system.clock->now());
        if (result.ambiguous.isEmpty()) {
            host_.publishAutomationNotice(result.deferredReason.value_or(result.summary));
        } else {
            host_.publishAutomationNotice(result.summary
                                          + QStringLiteral(". Open Ostrel to choose matching "
                                                           "windows."));
        }
        activeManualOperation_.reset();
        co_return;
    }
    if (result.ambiguous.isEmpty() || !result.layoutID) {
        activeManualOperation_.reset();
    } else {
        status_.set(&RestoreStatus::resolutionRequest,
                    ResolutionRequest{QUuid::createUuid(), *result.layoutID, result.layoutName,
                                      result.ambiguous, model_.currentDisplays()});
        showResolutionWindow();
    }
    if (model_.settings().restoreFlashEnabled) {
        // Only windows put exactly where they were saved; an empty list still ends an earlier
        // flash.
        QList<RestoredWindowFlashTarget> targets;
        for (const EntryResult &entry : result.entries) {
            if (entry.outcome == EntryOutcome::restored && entry.frame) {
                targets.append({*entry.frame, entry.windowID});
            }
        }
        flashRestoredWindows(targets);
    }
}

void RestoreCoordinator::cancelRestore()
{
    const std::optional<OperationKind> busy = status_->busy;
    if (busy != OperationKind::restoring && busy != OperationKind::undoing) {
        return;
    }
    if (cancellation_) {
        cancellation_->cancel();
    }
    if (status_->progress) {
        RestoreProgress relabelled = *status_->progress;
        relabelled.currentLabel = busy == OperationKind::undoing
            ? QStringLiteral("Cancelling undo…")
            : QStringLiteral("Cancelling…");
        status_.set(&RestoreStatus::progress, std::move(relabelled));
    }
}

void RestoreCoordinator::cancelPass()
{
    if (status_->busy && cancellation_) {
        cancellation_->cancel();
    }
}

void RestoreCoordinator::cancelRestoreOrUndo()
{
    const std::optional<OperationKind> busy = status_->busy;
    if ((busy == OperationKind::restoring || busy == OperationKind::undoing) && cancellation_) {
        cancellation_->cancel();
    }
}

// --- Missing displays ------------------------------------------------------------------------

void RestoreCoordinator::requestMissingDisplays(const Layout &requested,
                                                const QList<MissingDisplay> &missing,
                                                const QList<CurrentDisplay> &displays)
{
    if (host_.guard(&displays).blocks(Obstacle::noDisplays)) {
        host_.publishRefusal(RefusedCommand::chooseDisplays, Obstacle::noDisplays);
        activeManualOperation_.reset();
        return;
    }
    if (!activeManualOperation_ || activeManualOperation_->layoutID != requested.id) {
        activeManualOperation_ = ManualRestoreContext::fresh(requested.id);
    }
    status_.set(
        &RestoreStatus::missingDisplayPrompt,
        MissingDisplayPrompt{QUuid::createUuid(), requested.id, requested.name, missing, displays});
    QPointer<AppModel> weak(&model_);
    environment_.presenter->showMissingDisplays([this, weak] {
        if (weak) {
            cancelMissingDisplays();
        }
    });
}

void RestoreCoordinator::confirmMissingDisplays(const QHash<QString, QString> &fallbacks)
{
    const std::optional<MissingDisplayPrompt> &prompt = status_->missingDisplayPrompt;
    const std::optional<Layout> prompted =
        prompt ? model_.savedData().layout(prompt->layoutID) : std::nullopt;
    if (!prompted) {
        cancelMissingDisplays();
        return;
    }
    const QList<CurrentDisplay> displays = model_.currentDisplays();
    // Confirming while another operation runs keeps the prompt for a later try: the restore
    // would be refused anyway, and the user's choices would be lost with the prompt.
    if (const std::optional<Obstacle> obstacle = host_.guard(&displays).first(
            {Obstacle::busy, Obstacle::noDisplays, Obstacle::pendingExclusion})) {
        host_.publishRefusal(RefusedCommand::chooseDisplays, *obstacle);
        return;
    }
    const DisplayMapping mapping =
        DisplayMapper::map(prompted->displays, displays, fallbacks, true);
    if (!DisplayMapper::missingDisplays(prompted->displays, mapping).isEmpty()) {
        host_.publishAlert(QStringLiteral("Choose a Display"),
                           QStringLiteral("Select a connected display for each missing one."));
        return;
    }
    ManualRestoreContext context =
        activeManualOperation_.value_or(ManualRestoreContext::fresh(prompted->id));
    context.layoutID = prompted->id;
    context.fallbacks = fallbacks;
    activeManualOperation_ = context;
    closeMissingDisplays();
    model_.selectLayout(prompted->id);
    startRestore(context, displays, false);
}

void RestoreCoordinator::cancelMissingDisplays()
{
    closeMissingDisplays();
    activeManualOperation_.reset();
}

QString displayDescription(const QString &displayKey, const QList<DisplaySnapshot> &displays)
{
    const QList<DisplaySnapshot> ordered = Topology::sorted(displays);
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        if (ordered[i].identity.key() == displayKey) {
            return QStringLiteral("Display ") + QString::number(i + 1);
        }
    }
    return QStringLiteral("Saved display");
}

void RestoreCoordinator::closeMissingDisplays()
{
    status_.set(&RestoreStatus::missingDisplayPrompt, std::nullopt);
    environment_.presenter->close(QString(WindowID::missingDisplays));
}

// --- Window choices --------------------------------------------------------------------------

void RestoreCoordinator::showResolutionWindow()
{
    QPointer<AppModel> weak(&model_);
    environment_.presenter->showResolution([this, weak] {
        if (weak) {
            cancelResolution();
        }
    });
}

void RestoreCoordinator::presentResolution()
{
    const std::optional<RestoreResult> &last = status_->lastResult;
    if (!last || last->ambiguous.isEmpty() || !last->layoutID) {
        return;
    }
    if (!activeManualOperation_) {
        activeManualOperation_ = ManualRestoreContext{
            last->operationID.value_or(QUuid::createUuid()), *last->layoutID, {}, {}, {}, false};
    }
    status_.set(&RestoreStatus::resolutionRequest,
                ResolutionRequest{QUuid::createUuid(), *last->layoutID, last->layoutName,
                                  last->ambiguous, model_.currentDisplays()});
    showResolutionWindow();
}

std::optional<Refusal>
RestoreCoordinator::applyResolutions(const QHash<QUuid, WindowReference> &choices,
                                     const QSet<QUuid> &skipped)
{
    if (!status_->resolutionRequest) {
        return QStringLiteral("The window choices are no longer available.");
    }
    if (const std::optional<Obstacle> obstacle =
            host_.guard().first({Obstacle::pendingExclusion, Obstacle::busy})) {
        return *obstacle == Obstacle::pendingExclusion
            ? QStringLiteral("Wait for the exclusion change before choosing windows.")
            : refusalText::waitForCurrentOperation();
    }
    if (!MatchingService::duplicateExplicitEntryIDs(choices).isEmpty()) {
        return QStringLiteral("Choose a different window for each entry.");
    }
    const QList<QUuid> chosen = choices.keys();
    const QSet<QUuid> chosenIDs(chosen.begin(), chosen.end());
    if (chosenIDs.intersects(skipped)) {
        return QStringLiteral("A saved entry cannot be both chosen and skipped.");
    }
    const ResolutionRequest request = *status_->resolutionRequest;
    const std::optional<Layout> resolved = model_.savedData().layout(request.layoutID);
    if (!resolved) {
        cancelResolution();
        return refusalText::layoutUnavailable();
    }
    QSet<QUuid> requested;
    for (const AmbiguousEntry &entry : request.ambiguous) {
        requested.insert(entry.entryID);
    }
    if ((chosenIDs | skipped) != requested) {
        return QStringLiteral("Choose a window or Skip for each entry.");
    }

    QHash<QUuid, WindowReference> &resolutions = sessionWindows_.resolutions;
    for (const QUuid &entryID : requested) {
        resolutions.remove(entryID);
    }
    for (auto it = choices.begin(); it != choices.end(); ++it) {
        resolutions.insert(it.key(), it.value());
    }
    const std::optional<RestoreResult> &last = status_->lastResult;
    ManualRestoreContext context = activeManualOperation_.value_or(
        ManualRestoreContext{last && last->operationID ? *last->operationID : QUuid::createUuid(),
                             request.layoutID,
                             {},
                             {},
                             {},
                             false});
    context.layoutID = request.layoutID;
    context.explicitEntryIDs |= requested;
    context.skippedEntryIDs -= requested;
    context.skippedEntryIDs |= skipped;
    context.mergeUndo = true;
    activeManualOperation_ = context;

    closeResolution();
    model_.selectLayout(request.layoutID);

    const QList<CurrentDisplay> displays = model_.currentDisplays();
    const DisplayMapping mapping =
        DisplayMapper::map(resolved->displays, displays, context.fallbacks, true);
    const QList<MissingDisplay> missing =
        DisplayMapper::missingDisplays(resolved->displays, mapping);
    if (!missing.isEmpty()) {
        requestMissingDisplays(*resolved, missing, displays);
    } else {
        startRestore(context, displays, false);
    }
    return std::nullopt;
}

void RestoreCoordinator::cancelResolution()
{
    closeResolution();
    activeManualOperation_.reset();
}

void RestoreCoordinator::closeResolution()
{
    status_.set(&RestoreStatus::resolutionRequest, std::nullopt);
    environment_.presenter->close(QString(WindowID::resolution));
    clearMarkers();
}

QCoro::Task<QList<WindowReference>>
RestoreCoordinator::refreshCandidates(QList<WindowReference> candidates)
{
    QList<WindowReference> kept;
    if (candidates.isEmpty()) {
        co_return kept;
    }
    QPointer<AppModel> self(&model_);
    const QList<CurrentDisplay> displays = model_.currentDisplays();
    for (const WindowReference &candidate : candidates) {
        QCoro::Task<std::optional<WindowReference>> checking =
            windows_.revalidate(candidate, displays);
        std::optional<WindowReference> refreshed = co_await checking;
        if (!self) {
            co_return kept;
        }
        if (refreshed) {
            kept.append(std::move(*refreshed));
        }
    }
    co_return kept;
}

// --- Undo ------------------------------------------------------------------------------------

void RestoreCoordinator::undoLastRestore()
{
    if (!model_.canUndo()) {
        if (host_.guard().blocks(Obstacle::pendingExclusion)) {
            host_.publishRefusal(RefusedCommand::undo, Obstacle::pendingExclusion);
        }
        return;
    }
    cancellation_ = std::make_shared<CancellationFlag>();
    status_.update([](RestoreStatus &status) {
        const UndoInfo &undo = *status.undoInfo;
        status.busy = OperationKind::undoing;
        status.progress =
            RestoreProgress{0, std::max<qint64>(undo.entryCount, 1), std::nullopt, undo.layoutName};
    });
    restoreTask_.emplace(runUndo(model_.savedData().excludedBundleIDs(), cancellation_));
}

QCoro::Task<void> RestoreCoordinator::runUndo(QSet<QString> exclusions,
                                              std::shared_ptr<CancellationFlag> flag)
{
    QPointer<AppModel> self(&model_);
    // An undo publishes no progress of its own: the count it started with (and "Cancelling
    // undo…" once cancelled) stays until its result arrives.
    RestoreService::Progress ignored = [](const RestoreProgress &) {};
    // The displays as they are when the pass starts, not when Undo was pressed.
    QCoro::Task<std::optional<RestoreResult>> undoing = restoreService_->undo(
        model_.currentDisplays(), std::move(exclusions), std::move(flag), std::move(ignored));
    std::optional<RestoreResult> result = co_await undoing;
    if (!self) {
        co_return;
    }
    QCoro::Task<void> finishing = finishUndo(std::move(result));
    co_await finishing;
}

QCoro::Task<void> RestoreCoordinator::finishUndo(std::optional<RestoreResult> result)
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<void> publishing = publishUndoInfo();
    co_await publishing;
    if (!self) {
        co_return;
    }
    restoreTask_.reset();
    cancellation_.reset();
    const bool permissionLost = result && result->permissionLost;
    status_.update([&](RestoreStatus &status) {
        status.progress.reset();
        if (result) {
            status.lastResult = std::move(result);
        }
        status.busy.reset();
    });
    if (permissionLost) {
        host_.permissionLost();
    }
}

QCoro::Task<void> RestoreCoordinator::publishUndoInfo()
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<std::optional<UndoInfo>> reading = restoreService_->undoInfo();
    std::optional<UndoInfo> info = co_await reading;
    if (self) {
        status_.set(&RestoreStatus::undoInfo, std::move(info));
    }
}

QCoro::Task<void> RestoreCoordinator::forgetEverything()
{
    activeManualOperation_.reset();
    QPointer<AppModel> self(&model_);
    QCoro::Task<void> clearingUndo = restoreService_->clearUndo();
    co_await clearingUndo;
    if (!self) {
        co_return;
    }
    clearMarkers();
}

// --- Overlays ------------------------------------------------------------------------------

void RestoreCoordinator::clearMarkers()
{
    environment_.markers->clear();
}

void RestoreCoordinator::flashRestoredWindows(const QList<RestoredWindowFlashTarget> &targets)
{
    environment_.flash->flash(targets, model_.settings().highlightColor);
}

} // namespace ostrel
