#include "app/AppModel.h"

#include "app/AutomationService.h"
#include "app/WindowPresenter.h"
#include "model/Topology.h"
#include "platform/MarkerOverlayService.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/WriteGate.h"
#include "restore/DisplayMapper.h"
#include "restore/MatchingService.h"

#include <QPointer>

namespace ostrel {

namespace {

const QString savingExclusionsTitle = QStringLiteral("Saving Exclusions");
const QString savingExclusionsMessage = QStringLiteral("Try again shortly.");
const QString noDisplaysTitle = QStringLiteral("No Displays Available");

QString automationNoticeFor(AutomationDeferral deferral)
{
    switch (deferral) {
    case AutomationDeferral::noAssociation:
        return QStringLiteral("The displays changed, but no layout is linked to this setup.");
    case AutomationDeferral::multipleAssociations:
        return QStringLiteral("More than one layout is linked to these displays.");
    default:
        return reason(deferral);
    }
}

} // namespace

// --- Starting a restore ----------------------------------------------------------------------

void AppModel::restoreSelectedLayout()
{
    const std::optional<Layout> selected = selectedLayout();
    if (!selected) {
        return;
    }
    if (!permissionTrusted_) {
        publishAlert(QStringLiteral("Accessibility Access Needed"),
                     QStringLiteral("Enable Accessibility access in System Settings, then choose "
                                    "Recheck."));
        return;
    }
    if (busy_ || storageProblem_) {
        return;
    }
    if (hasPendingExclusionMutation()) {
        publishAlert(savingExclusionsTitle, savingExclusionsMessage);
        return;
    }
    const QList<CurrentDisplay> displays = currentDisplays();
    if (displays.isEmpty()) {
        publishAlert(noDisplaysTitle, QStringLiteral("Ostrel could not read any connected displays."));
        return;
    }
    const DisplayMapping mapping = DisplayMapper::map(selected->displays, displays, {}, true);
    const QList<MissingDisplay> missing = DisplayMapper::missingDisplays(selected->displays, mapping);
    activeManualOperation_ = ManualRestoreContext::fresh(selected->id);
    if (missing.isEmpty()) {
        startRestore(*activeManualOperation_, displays, false);
    } else {
        requestMissingDisplays(*selected, missing, displays);
    }
}

void AppModel::restoreLayout(const QUuid &id)
{
    if (!layout(id)) {
        return;
    }
    selectLayout(id);
    restoreSelectedLayout();
}

void AppModel::startRestore(ManualRestoreContext context, QList<CurrentDisplay> displays,
                            bool isAutomation)
{
    if (busy_) {
        return;
    }
    if (hasPendingExclusionMutation()) {
        if (isAutomation) {
            setLastAutomationDeferral(AutomationDeferral::busy);
            setAutomationNotice(reason(AutomationDeferral::busy));
        } else {
            publishAlert(savingExclusionsTitle, savingExclusionsMessage);
        }
        return;
    }
    const std::optional<Layout> restored = layout(context.layoutID);
    if (!restored) {
        return;
    }
    setMissingDisplayPrompt(std::nullopt);
    environment_.presenter->close(QString(WindowID::missingDisplays));
    setResolutionRequest(std::nullopt);
    environment_.presenter->close(QString(WindowID::resolution));
    clearMarkers();

    setBusy(OperationKind::restoring);
    setProgress(RestoreProgress{0, restored->entries.isEmpty() ? 1 : restored->entries.size(),
                                std::nullopt, restored->name});
    cancellation_ = std::make_shared<CancellationFlag>();

    QSet<QUuid> entryIDs;
    for (const WindowEntry &entry : restored->entries) {
        entryIDs.insert(entry.id);
    }
    // The windows captured with the layout, then the user's own picks for the entries this
    // operation resolved by hand, which win.
    QHash<QUuid, WindowReference> preferred;
    for (auto it = sessionReferences_.begin(); it != sessionReferences_.end(); ++it) {
        if (entryIDs.contains(it.key()) && !context.skippedEntryIDs.contains(it.key())) {
            preferred.insert(it.key(), it.value());
        }
    }
    for (auto it = sessionResolutions_.begin(); it != sessionResolutions_.end(); ++it) {
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
        options.eligibility = eligibilityGate_;
        options.writeGate = mouseButtonWriteGate(*environment_.system.pointer);
    }
    restoreTask_.emplace(runRestore(*restored, std::move(displays), excludedBundleIDs(),
                                    std::move(options), cancellation_, isAutomation));
}

RestoreService::Progress AppModel::progressPublisher()
{
    QPointer<AppModel> weak(this);
    return [weak](const RestoreProgress &progress) {
        if (!weak) {
            return;
        }
        QMetaObject::invokeMethod(
            weak.data(),
            [weak, progress] {
                if (weak) {
                    weak->setProgress(progress);
                }
            },
            Qt::AutoConnection);
    };
}

QCoro::Task<void> AppModel::runRestore(Layout layout, QList<CurrentDisplay> displays,
                                       QSet<QString> exclusions, RestoreOptions options,
                                       std::shared_ptr<CancellationFlag> flag, bool isAutomation)
{
    QPointer<AppModel> self(this);
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

QCoro::Task<void> AppModel::finishRestore(RestoreResult result, bool isAutomation)
{
    QPointer<AppModel> self(this);
    QCoro::Task<void> publishing = publishUndoInfo();
    co_await publishing;
    if (!self) {
        co_return;
    }
    if (result.permissionLost) {
        setPermissionTrusted(false);
    }
    setLastResult(result);
    pruneSessionReferences();
    restoreTask_.reset();
    cancellation_.reset();
    setProgress(std::nullopt);
    setBusy(std::nullopt);

    if (isAutomation) {
        // The repeat suppression counts from the end of the pass.
        automationService_->setLastAcceptedAt(environment_.system.clock->now());
        if (result.ambiguous.isEmpty()) {
            setAutomationNotice(result.deferredReason.value_or(result.summary));
        } else {
            setAutomationNotice(result.summary
                                + QStringLiteral(". Open Ostrel to choose matching windows."));
        }
        activeManualOperation_.reset();
        co_return;
    }
    if (result.ambiguous.isEmpty() || !result.layoutID) {
        activeManualOperation_.reset();
    } else {
        setResolutionRequest(ResolutionRequest{QUuid::createUuid(), *result.layoutID,
                                               result.layoutName, result.ambiguous,
                                               currentDisplays()});
        showResolutionWindow();
    }
    if (restoreFlashEnabled_) {
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

void AppModel::cancelRestore()
{
    if (busy_ != OperationKind::restoring && busy_ != OperationKind::undoing) {
        return;
    }
    if (cancellation_) {
        cancellation_->cancel();
    }
    if (progress_) {
        RestoreProgress relabelled = *progress_;
        relabelled.currentLabel = busy_ == OperationKind::undoing
            ? QStringLiteral("Cancelling undo…")
            : QStringLiteral("Cancelling…");
        setProgress(std::move(relabelled));
    }
}

// --- Missing displays ------------------------------------------------------------------------

void AppModel::requestMissingDisplays(const Layout &requested, const QList<MissingDisplay> &missing,
                                      const QList<CurrentDisplay> &displays)
{
    if (displays.isEmpty()) {
        publishAlert(noDisplaysTitle,
                     QStringLiteral("Connect a display before restoring this layout."));
        activeManualOperation_.reset();
        return;
    }
    if (!activeManualOperation_ || activeManualOperation_->layoutID != requested.id) {
        activeManualOperation_ = ManualRestoreContext::fresh(requested.id);
    }
    setMissingDisplayPrompt(MissingDisplayPrompt{QUuid::createUuid(), requested.id, requested.name,
                                                 missing, displays});
    QPointer<AppModel> weak(this);
    environment_.presenter->showMissingDisplays([weak] {
        if (weak) {
            weak->cancelMissingDisplays();
        }
    });
}

void AppModel::confirmMissingDisplays(const QHash<QString, QString> &fallbacks)
{
    if (!missingDisplayPrompt_) {
        cancelMissingDisplays();
        return;
    }
    const std::optional<Layout> prompted = layout(missingDisplayPrompt_->layoutID);
    if (!prompted) {
        cancelMissingDisplays();
        return;
    }
    // Confirming while another operation runs keeps the prompt for a later try: the restore
    // would be refused anyway, and the user's choices would be lost with the prompt.
    if (busy_) {
        return;
    }
    const QList<CurrentDisplay> displays = currentDisplays();
    if (displays.isEmpty()) {
        publishAlert(noDisplaysTitle,
                     QStringLiteral("Connect a display before restoring this layout."));
        return;
    }
    if (hasPendingExclusionMutation()) {
        publishAlert(savingExclusionsTitle, savingExclusionsMessage);
        return;
    }
    const DisplayMapping mapping = DisplayMapper::map(prompted->displays, displays, fallbacks, true);
    if (!DisplayMapper::missingDisplays(prompted->displays, mapping).isEmpty()) {
        publishAlert(QStringLiteral("Choose a Display"),
                     QStringLiteral("Select a connected display for each missing one."));
        return;
    }
    ManualRestoreContext context =
        activeManualOperation_.value_or(ManualRestoreContext::fresh(prompted->id));
    context.layoutID = prompted->id;
    context.fallbacks = fallbacks;
    activeManualOperation_ = context;
    setMissingDisplayPrompt(std::nullopt);
    environment_.presenter->close(QString(WindowID::missingDisplays));
    selectLayout(prompted->id);
    startRestore(context, displays, false);
}

void AppModel::cancelMissingDisplays()
{
    setMissingDisplayPrompt(std::nullopt);
    environment_.presenter->close(QString(WindowID::missingDisplays));
    activeManualOperation_.reset();
}

QString AppModel::displayDescription(const QString &displayKey,
                                     const QList<DisplaySnapshot> &displays)
{
    const QList<DisplaySnapshot> ordered = Topology::sorted(displays);
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        if (ordered[i].identity.key() == displayKey) {
            return QStringLiteral("Display ") + QString::number(i + 1);
        }
    }
    return QStringLiteral("Saved display");
}

// --- Window choices --------------------------------------------------------------------------

void AppModel::showResolutionWindow()
{
    QPointer<AppModel> weak(this);
    environment_.presenter->showResolution([weak] {
        if (weak) {
            weak->cancelResolution();
        }
    });
}

void AppModel::presentResolution()
{
    if (!lastResult_ || lastResult_->ambiguous.isEmpty() || !lastResult_->layoutID) {
        return;
    }
    if (!activeManualOperation_) {
        activeManualOperation_ =
            ManualRestoreContext{lastResult_->operationID.value_or(QUuid::createUuid()),
                                 *lastResult_->layoutID,
                                 {},
                                 {},
                                 {},
                                 false};
    }
    setResolutionRequest(ResolutionRequest{QUuid::createUuid(), *lastResult_->layoutID,
                                           lastResult_->layoutName, lastResult_->ambiguous,
                                           currentDisplays()});
    showResolutionWindow();
}

std::optional<QString> AppModel::applyResolutions(const QHash<QUuid, WindowReference> &choices,
                                                  const QSet<QUuid> &skipped)
{
    if (!resolutionRequest_) {
        return QStringLiteral("The window choices are no longer available.");
    }
    if (hasPendingExclusionMutation()) {
        return QStringLiteral("Wait for the exclusion change before choosing windows.");
    }
    if (busy_) {
        return QStringLiteral("Wait for the current operation to finish.");
    }
    if (!MatchingService::duplicateExplicitEntryIDs(choices).isEmpty()) {
        return QStringLiteral("Choose a different window for each entry.");
    }
    const QList<QUuid> chosen = choices.keys();
    const QSet<QUuid> chosenIDs(chosen.begin(), chosen.end());
    if (chosenIDs.intersects(skipped)) {
        return QStringLiteral("A saved entry cannot be both chosen and skipped.");
    }
    const ResolutionRequest request = *resolutionRequest_;
    const std::optional<Layout> resolved = layout(request.layoutID);
    if (!resolved) {
        cancelResolution();
        return QStringLiteral("That layout is no longer available.");
    }
    QSet<QUuid> requested;
    for (const AmbiguousEntry &entry : request.ambiguous) {
        requested.insert(entry.entryID);
    }
    if ((chosenIDs | skipped) != requested) {
        return QStringLiteral("Choose a window or Skip for each entry.");
    }

    for (const QUuid &entryID : requested) {
        sessionResolutions_.remove(entryID);
    }
    for (auto it = choices.begin(); it != choices.end(); ++it) {
        sessionResolutions_.insert(it.key(), it.value());
    }
    ManualRestoreContext context = activeManualOperation_.value_or(ManualRestoreContext{
        lastResult_ && lastResult_->operationID ? *lastResult_->operationID : QUuid::createUuid(),
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

    setResolutionRequest(std::nullopt);
    environment_.presenter->close(QString(WindowID::resolution));
    clearMarkers();
    selectLayout(request.layoutID);

    const QList<CurrentDisplay> displays = currentDisplays();
    const DisplayMapping mapping =
        DisplayMapper::map(resolved->displays, displays, context.fallbacks, true);
    const QList<MissingDisplay> missing = DisplayMapper::missingDisplays(resolved->displays, mapping);
    if (!missing.isEmpty()) {
        requestMissingDisplays(*resolved, missing, displays);
    } else {
        startRestore(context, displays, false);
    }
    return std::nullopt;
}

void AppModel::cancelResolution()
{
    setResolutionRequest(std::nullopt);
    environment_.presenter->close(QString(WindowID::resolution));
    clearMarkers();
    activeManualOperation_.reset();
}

QCoro::Task<QList<WindowReference>> AppModel::refreshCandidates(QList<WindowReference> candidates)
{
    QList<WindowReference> kept;
    if (candidates.isEmpty()) {
        co_return kept;
    }
    QPointer<AppModel> self(this);
    const QList<CurrentDisplay> displays = currentDisplays();
    for (const WindowReference &candidate : candidates) {
        QCoro::Task<std::optional<WindowReference>> checking =
            windowService_->revalidate(candidate, displays);
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

void AppModel::undoLastRestore()
{
    if (!canUndo()) {
        if (hasPendingExclusionMutation()) {
            publishAlert(savingExclusionsTitle, savingExclusionsMessage);
        }
        return;
    }
    setBusy(OperationKind::undoing);
    cancellation_ = std::make_shared<CancellationFlag>();
    setProgress(RestoreProgress{0, std::max<qint64>(undoInfo_->entryCount, 1), std::nullopt,
                                undoInfo_->layoutName});
    restoreTask_.emplace(runUndo(excludedBundleIDs(), cancellation_));
}

QCoro::Task<void> AppModel::runUndo(QSet<QString> exclusions,
                                    std::shared_ptr<CancellationFlag> flag)
{
    QPointer<AppModel> self(this);
    // An undo publishes no progress of its own: the count it started with (and "Cancelling
    // undo…" once cancelled) stays until its result arrives.
    RestoreService::Progress ignored = [](const RestoreProgress &) {};
    // The displays as they are when the pass starts, not when Undo was pressed.
    QCoro::Task<std::optional<RestoreResult>> undoing = restoreService_->undo(
        currentDisplays(), std::move(exclusions), std::move(flag), std::move(ignored));
    std::optional<RestoreResult> result = co_await undoing;
    if (!self) {
        co_return;
    }
    QCoro::Task<void> finishing = finishUndo(std::move(result));
    co_await finishing;
}

QCoro::Task<void> AppModel::finishUndo(std::optional<RestoreResult> result)
{
    QPointer<AppModel> self(this);
    QCoro::Task<void> publishing = publishUndoInfo();
    co_await publishing;
    if (!self) {
        co_return;
    }
    restoreTask_.reset();
    cancellation_.reset();
    setProgress(std::nullopt);
    if (result) {
        const bool permissionLost = result->permissionLost;
        setLastResult(std::move(result));
        if (permissionLost) {
            setPermissionTrusted(false);
        }
    }
    setBusy(std::nullopt);
}

// --- Overlays ------------------------------------------------------------------------------

void AppModel::clearMarkers()
{
    environment_.markers->clear();
}

void AppModel::flashRestoredWindows(const QList<RestoredWindowFlashTarget> &targets)
{
    environment_.flash->flash(targets, highlightColor_);
}

// --- Automation ------------------------------------------------------------------------------

bool AppModel::dropsAutomationSilently() const
{
    return !automationEnabled_ || isBootstrapping_ || storageProblem_.has_value();
}

void AppModel::handleDeferral(AutomationDeferral deferral)
{
    // A deferral while automation is off or storage is not ready says nothing, exactly like a
    // settled setup would.
    if (dropsAutomationSilently()) {
        return;
    }
    setAutomationNotice(reason(deferral));
    setLastAutomationDeferral(deferral);
}

void AppModel::handleAutomation(const QList<CurrentDisplay> &displays)
{
    setLastAutomationDeferral(std::nullopt);
    const auto refuse = [this](AutomationDeferral deferral) {
        setLastAutomationDeferral(deferral);
        setAutomationNotice(automationNoticeFor(deferral));
    };
    [&] {
        if (dropsAutomationSilently()) {
            return;
        }
        if (hasPendingExclusionMutation() || busy_) {
            refuse(AutomationDeferral::busy);
            return;
        }
        if (!permissionTrusted_) {
            refuse(AutomationDeferral::permissionMissing);
            return;
        }
        if (!sessionEligible_ || !eligibilityGate_->eligible()) {
            refuse(AutomationDeferral::sessionInactive);
            return;
        }
        if (displays.isEmpty()) {
            refuse(AutomationDeferral::displaysUnsettled);
            return;
        }
        if (environment_.system.pointer->pressedMouseButtons() != 0) {
            refuse(AutomationDeferral::activeGesture);
            return;
        }
        const QString signature = Topology::signature(displays);
        QList<Layout> linked;
        for (const Layout &candidate : layouts_) {
            if (candidate.automationEnabled && candidate.automationTopologySignature == signature) {
                linked.append(candidate);
            }
        }
        if (linked.isEmpty()) {
            refuse(AutomationDeferral::noAssociation);
            return;
        }
        if (linked.size() > 1) {
            refuse(AutomationDeferral::multipleAssociations);
            return;
        }
        const Layout &only = linked.first();
        const DisplayMapping mapping = DisplayMapper::map(only.displays, displays, {}, false);
        if (!DisplayMapper::missingDisplays(only.displays, mapping).isEmpty()) {
            refuse(AutomationDeferral::missingDisplay);
            return;
        }
        selectLayout(only.id);
        automationService_->didAcceptTrigger(signature);
        startRestore(ManualRestoreContext::fresh(only.id), displays, true);
    }();
    automationService_->setInFlight(false);
}

} // namespace ostrel
