#include "app/AppModel.h"

#include "app/AutomationService.h"
#include "app/RestoreCoordinator.h"
#include "app/SessionEligibility.h"
#include "app/StorageUpkeep.h"
#include "model/Preferences.h"
#include "platform/ShortcutRecordingSession.h"
#include "platform/ShortcutService.h"
#include "storage/LayoutStore.h"

#include <QPointer>

#include <utility>

namespace ostrel {

AppModel::AppModel(AppEnvironment environment, QObject *parent)
    : QObject(parent)
    , environment_(std::move(environment))
    , displayService_(*environment_.system.screens)
    , storePaths_(environment_.defaultStorePaths)
{
    // Creating the shortcut service installs its hot-key handler at once.
    shortcutService_ =
        std::make_unique<ShortcutService>(*environment_.hotKeys, environment_.keyLabels);
    automationService_ = std::make_unique<AutomationService>(
        *environment_.system.clock, [this] { return currentDisplays(); }, *environment_.power,
        *environment_.displayEvents);
    eligibilityGate_ = std::make_shared<SessionEligibilityGate>();
    windowService_ = std::make_unique<WindowService>(environment_.system);
    restores_ = std::make_unique<RestoreCoordinator>(*this, *windowService_);
    storage_ = std::make_unique<StorageUpkeep>(*this);

    // The settings go straight into the fields: nothing is written back at start-up.
    selectedLayoutID_ = Preferences::selectedLayoutID();
    automationEnabled_ = Preferences::automationEnabled();
    restoreFlashEnabled_ = Preferences::restoreFlashEnabled();
    highlightColor_ = Preferences::highlightColor();
    globalShortcut_ = Preferences::decodeShortcut(Preferences::globalShortcutKey);
    appearance_ = Preferences::appearance();

    setPermissionTrusted(environment_.system.trust->isProcessTrusted());
    setStorePaths(environment_.defaultStorePaths);
    const SessionEligibility session = currentSessionEligibility();
    setSessionEligible(session.eligible);
    eligibilityGate_->set(session.eligible, session.eligible ? std::nullopt : session.reason);

    // Outside signals reach the model through the event loop, and only while it exists.
    shortcutService_->onTrigger = [this](const ShortcutTarget &target) {
        QMetaObject::invokeMethod(
            this, [this, target] { handleShortcut(target); }, Qt::QueuedConnection);
    };
    automationService_->onStableDisplays = [this](const QList<CurrentDisplay> &displays) {
        QMetaObject::invokeMethod(
            this, [this, displays] { handleAutomation(displays); }, Qt::QueuedConnection);
    };
    automationService_->onDeferred = [this](AutomationDeferral deferral) {
        QMetaObject::invokeMethod(
            this, [this, deferral] { handleDeferral(deferral); }, Qt::QueuedConnection);
    };
    automationService_->start();
    automationService_->setEligible(session.eligible);
    if (!session.eligible) {
        automationService_->cancelSettling();
    }
    observeSystemEvents();
    configureShortcuts();
    // Hot keys are held off while a shortcut is being recorded, so the keys reach the recorder.
    notifications_.add(connect(environment_.shortcutRecordings,
                               &ShortcutRecordings::recordingStateChanged, this,
                               [this](bool recording) {
                                   if (recording) {
                                       shortcutService_->unregisterAll();
                                   } else {
                                       configureShortcuts();
                                   }
                               }));

    storage_->startBootstrap();
}

AppModel::~AppModel()
{
    restores_->stopAndWait();
}

// --- Published state -----------------------------------------------------------------------

namespace {

template <class T>
void assign(AppModel *model, T &field, T value, void (AppModel::*changed)())
{
    field = std::move(value);
    emit(model->*changed)();
}

} // namespace

void AppModel::setLayouts(QList<Layout> value)
{
    assign(this, layouts_, std::move(value), &AppModel::layoutsChanged);
}

void AppModel::setExclusions(QList<AppExclusion> value)
{
    assign(this, exclusions_, std::move(value), &AppModel::exclusionsChanged);
}

void AppModel::setPermissionTrusted(bool value)
{
    assign(this, permissionTrusted_, value, &AppModel::permissionTrustedChanged);
}

void AppModel::setPermissionPrompted(bool value)
{
    assign(this, permissionPrompted_, value, &AppModel::permissionPromptedChanged);
}

void AppModel::setBusy(std::optional<OperationKind> value)
{
    assign(this, busy_, value, &AppModel::busyChanged);
}

void AppModel::setProgress(std::optional<RestoreProgress> value)
{
    assign(this, progress_, std::move(value), &AppModel::progressChanged);
}

void AppModel::setLastResult(std::optional<RestoreResult> value)
{
    assign(this, lastResult_, std::move(value), &AppModel::lastResultChanged);
}

void AppModel::setUndoInfo(std::optional<UndoInfo> value)
{
    assign(this, undoInfo_, std::move(value), &AppModel::undoInfoChanged);
}

void AppModel::setStorageNotice(std::optional<StorageNotice> value)
{
    assign(this, storageNotice_, std::move(value), &AppModel::storageNoticeChanged);
}

void AppModel::setStorageProblem(std::optional<StorageProblem> value)
{
    assign(this, storageProblem_, std::move(value), &AppModel::storageProblemChanged);
}

void AppModel::setPendingCapture(std::optional<CapturePreview> value)
{
    assign(this, pendingCapture_, std::move(value), &AppModel::pendingCaptureChanged);
}

void AppModel::setIsBootstrapping(bool value)
{
    assign(this, isBootstrapping_, value, &AppModel::isBootstrappingChanged);
}

void AppModel::setShortcutsError(std::optional<QString> value)
{
    assign(this, shortcutsError_, std::move(value), &AppModel::shortcutsErrorChanged);
}

void AppModel::setActiveGlobalShortcut(std::optional<Shortcut> value)
{
    assign(this, activeGlobalShortcut_, value, &AppModel::activeGlobalShortcutChanged);
}

void AppModel::setAutomationNotice(std::optional<QString> value)
{
    assign(this, automationNotice_, std::move(value), &AppModel::automationNoticeChanged);
}

void AppModel::setMissingDisplayPrompt(std::optional<MissingDisplayPrompt> value)
{
    assign(this, missingDisplayPrompt_, std::move(value), &AppModel::missingDisplayPromptChanged);
}

void AppModel::setResolutionRequest(std::optional<ResolutionRequest> value)
{
    assign(this, resolutionRequest_, std::move(value), &AppModel::resolutionRequestChanged);
}

void AppModel::setLastBackupURL(std::optional<QString> value)
{
    assign(this, lastBackupURL_, std::move(value), &AppModel::lastBackupURLChanged);
}

void AppModel::setStorePaths(StorePaths value)
{
    assign(this, storePaths_, std::move(value), &AppModel::storePathsChanged);
}

void AppModel::setPendingMutations(QSet<MutationScope> value)
{
    assign(this, pendingMutations_, std::move(value), &AppModel::pendingMutationsChanged);
}

void AppModel::setSessionEligible(bool value)
{
    assign(this, sessionEligible_, value, &AppModel::sessionEligibleChanged);
}

void AppModel::setLastAutomationDeferral(std::optional<AutomationDeferral> value)
{
    assign(this, lastAutomationDeferral_, value, &AppModel::lastAutomationDeferralChanged);
}

void AppModel::setManageLayoutID(std::optional<QUuid> value)
{
    assign(this, manageLayoutID_, value, &AppModel::manageLayoutIDChanged);
}

void AppModel::setActiveError(std::optional<UserFacingError> value)
{
    assign(this, activeError_, std::move(value), &AppModel::activeErrorChanged);
}

void AppModel::dismissActiveError(const QUuid &id)
{
    if (activeError_ && activeError_->id == id) {
        setActiveError(std::nullopt);
    }
}

void AppModel::dismissStorageNotice()
{
    setStorageNotice(std::nullopt);
}

void AppModel::dismissAutomationNotice()
{
    setAutomationNotice(std::nullopt);
}

void AppModel::setSelectedLayoutID(std::optional<QUuid> value)
{
    const bool changed = value != selectedLayoutID_;
    assign(this, selectedLayoutID_, value, &AppModel::selectedLayoutIDChanged);
    if (changed) {
        Preferences::setSelectedLayoutID(value);
    }
}

void AppModel::setAutomationEnabled(bool value)
{
    assign(this, automationEnabled_, value, &AppModel::automationEnabledChanged);
    Preferences::setAutomationEnabled(value);
}

void AppModel::setRestoreFlashEnabled(bool value)
{
    assign(this, restoreFlashEnabled_, value, &AppModel::restoreFlashEnabledChanged);
    Preferences::setRestoreFlashEnabled(value);
}

void AppModel::setHighlightColor(HighlightColor value)
{
    assign(this, highlightColor_, value, &AppModel::highlightColorChanged);
    Preferences::setHighlightColor(value);
}

void AppModel::assignGlobalShortcut(std::optional<Shortcut> value)
{
    assign(this, globalShortcut_, value, &AppModel::globalShortcutChanged);
    Preferences::encodeShortcut(value, Preferences::globalShortcutKey);
}

void AppModel::setAppearance(AppearancePreference value)
{
    assign(this, appearance_, value, &AppModel::appearanceChanged);
    Preferences::setAppearance(value);
}

// --- Derived state, lookups and selection --------------------------------------------------

std::optional<Layout> AppModel::selectedLayout() const
{
    if (!selectedLayoutID_) {
        return std::nullopt;
    }
    return layout(*selectedLayoutID_);
}

bool AppModel::hasPendingExclusionMutation() const
{
    return std::any_of(
        pendingMutations_.begin(), pendingMutations_.end(),
        [](const MutationScope &scope) { return scope.kind == MutationScope::Kind::exclusion; });
}

bool AppModel::hasPendingShortcutMutation() const
{
    return std::any_of(
        pendingMutations_.begin(), pendingMutations_.end(),
        [](const MutationScope &scope) { return scope.kind == MutationScope::Kind::shortcut; });
}

OperationGuard AppModel::guard(const QList<CurrentDisplay> *displays) const
{
    OperationGuard state;
    state.storageProblem = storageProblem_.has_value();
    state.storeUnavailable = state.storageProblem || !storage_->store() || storage_->opening();
    state.trusted = permissionTrusted_;
    state.busy = busy_.has_value();
    state.pendingExclusion = hasPendingExclusionMutation();
    state.hasDisplays = !displays || !displays->isEmpty();
    return state;
}

void AppModel::publishRefusal(RefusedCommand command, Obstacle obstacle)
{
    const QString storageMessage = storageProblem_ ? storageProblem_->message : QString();
    if (const std::optional<RefusalAlert> alert = refusalAlert(command, obstacle, storageMessage)) {
        publishAlert(alert->title, alert->message);
    }
}

namespace {

// What stops a capture, a restore and an undo alike.
constexpr std::initializer_list<Obstacle> commandObstacles = {
    Obstacle::permission, Obstacle::busy, Obstacle::pendingExclusion, Obstacle::storageProblem};

} // namespace

bool AppModel::canCapture() const
{
    return !guard().first(commandObstacles);
}

bool AppModel::canRestore() const
{
    return canCapture() && selectedLayout();
}

bool AppModel::canChooseRestore(const Layout &chosen) const
{
    return canCapture() && layout(chosen.id);
}

bool AppModel::canUndo() const
{
    return canCapture() && undoInfo_;
}

QSet<QString> AppModel::excludedBundleIDs() const
{
    QSet<QString> ids;
    for (const AppExclusion &exclusion : exclusions_) {
        ids.insert(exclusion.bundleID);
    }
    return ids;
}

std::optional<Layout> AppModel::layout(const QUuid &id) const
{
    for (const Layout &candidate : layouts_) {
        if (candidate.id == id) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<Layout> AppModel::layoutNamed(const QString &name) const
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    for (const Layout &candidate : layouts_) {
        if (candidate.name.compare(trimmed, Qt::CaseInsensitive) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

void AppModel::selectLayout(const QUuid &id)
{
    if (layout(id)) {
        setSelectedLayoutID(id);
    }
}

QHash<QUuid, Shortcut> AppModel::perLayoutShortcuts() const
{
    QHash<QUuid, Shortcut> shortcuts;
    for (const Layout &candidate : layouts_) {
        if (candidate.shortcut) {
            shortcuts.insert(candidate.id, *candidate.shortcut);
        }
    }
    return shortcuts;
}

// --- The edit gate -------------------------------------------------------------------------

std::optional<Refusal> AppModel::beginMutation(const MutationScope &scope)
{
    // While the store (re)opens, nothing may write to it: an edit would reach a store that is
    // about to be replaced.
    if (guard().blocks(Obstacle::storeUnavailable)) {
        return refusalText::storageUnavailable();
    }
    if (pendingMutations_.contains(scope)) {
        return QStringLiteral("That change is already in progress.");
    }
    if (pendingMutations_.contains(MutationScope::reset())) {
        return QStringLiteral("Saved layouts are being reset. Wait for it to finish.");
    }
    if (busy_) {
        return refusalText::waitForCurrentOperation();
    }
    QSet<MutationScope> pending = pendingMutations_;
    pending.insert(scope);
    setPendingMutations(std::move(pending));
    return std::nullopt;
}

void AppModel::endMutation(const MutationScope &scope)
{
    if (!pendingMutations_.contains(scope)) {
        return;
    }
    QSet<MutationScope> pending = pendingMutations_;
    pending.remove(scope);
    setPendingMutations(std::move(pending));
}

void AppModel::publishAlert(const QString &title, const QString &message)
{
    setActiveError(UserFacingError{QUuid::createUuid(), title, message});
}

// --- Storage: the upkeep's ---------------------------------------------------------------------

QCoro::Task<void> AppModel::bootstrap()
{
    return storage_->bootstrap();
}

void AppModel::retryStorage()
{
    storage_->retry();
}

void AppModel::revealStorageFolder()
{
    storage_->revealFolder();
}

bool AppModel::hasStore() const
{
    return bool(storage_->store());
}

} // namespace ostrel
