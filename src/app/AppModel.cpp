#include "app/AppModel.h"

#include "app/AppLog.h"
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

namespace {

// The settings go straight into the group: nothing is written back at start-up.
AppSettings storedSettings()
{
    AppSettings settings;
    settings.selectedLayoutID = Preferences::selectedLayoutID();
    settings.automationEnabled = Preferences::automationEnabled();
    settings.restoreFlashEnabled = Preferences::restoreFlashEnabled();
    settings.highlightColor = Preferences::highlightColor();
    settings.globalShortcut = Preferences::decodeShortcut(Preferences::globalShortcutKey);
    settings.appearance = Preferences::appearance();
    return settings;
}

// Until the store opens, it is looked for where it lives by default.
StorageStatus startingStorage(const StorePaths &paths)
{
    StorageStatus status;
    status.storePaths = paths;
    return status;
}

} // namespace

AppModel::AppModel(AppEnvironment environment, QObject *parent)
    : QObject(parent)
    , environment_(std::move(environment))
    , displayService_(*environment_.system.screens)
    , restoreStatus_([this] { emit restoreStatusChanged(); })
    , storageStatus_([this] { emit storageStatusChanged(); },
                     startingStorage(environment_.defaultStorePaths))
    , settings_([this] { emit settingsChanged(); }, storedSettings())
    , shortcutStatus_([this] { emit shortcutStatusChanged(); })
    , session_([this] { emit sessionChanged(); })
    , savedData_([this] { emit savedDataChanged(); })
    , windowRequests_([this] { emit windowRequestsChanged(); })
{
    // Creating the shortcut service installs its hot-key handler at once.
    shortcutService_ =
        std::make_unique<ShortcutService>(*environment_.hotKeys, environment_.keyLabels);
    automationService_ = std::make_unique<AutomationService>(
        *environment_.system.clock, [this] { return currentDisplays(); }, *environment_.power,
        *environment_.displayEvents);
    eligibilityGate_ = std::make_shared<SessionEligibilityGate>();
    windowService_ = std::make_unique<WindowService>(environment_.system);
    restores_ = std::make_unique<RestoreCoordinator>(
        RestoreCoordinator::Links{*this, *this, restoreStatus_, sessionWindows_, environment_,
                                  *windowService_, *automationService_, eligibilityGate_});
    storage_ = std::make_unique<StorageUpkeep>(
        StorageUpkeep::Links{*this, *this, storageStatus_, savedData_, environment_});

    setPermissionTrusted(environment_.system.trust->isProcessTrusted());
    const SessionEligibility session = currentSessionEligibility();
    session_.set(&SessionStatus::sessionEligible, session.eligible);
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

void AppModel::setPermissionTrusted(bool value)
{
    session_.set(&SessionStatus::permissionTrusted, value);
}

void AppModel::setManageLayoutID(std::optional<QUuid> value)
{
    windowRequests_.set(&WindowRequests::manageLayoutID, value);
}

void AppModel::dismissActiveError(const QUuid &id)
{
    if (windowRequests_->activeError && windowRequests_->activeError->id == id) {
        windowRequests_.set(&WindowRequests::activeError, std::nullopt);
    }
}

void AppModel::dismissStorageNotice()
{
    storageStatus_.set(&StorageStatus::storageNotice, std::nullopt);
}

void AppModel::dismissAutomationNotice()
{
    session_.set(&SessionStatus::automationNotice, std::nullopt);
}

void AppModel::setSelectedLayoutID(std::optional<QUuid> value)
{
    const bool changed = value != settings_->selectedLayoutID;
    settings_.set(&AppSettings::selectedLayoutID, value);
    if (changed) {
        noteSettingsWrite(Preferences::setSelectedLayoutID(value));
    }
}

// The other settings are written on every assignment, the same value too.

void AppModel::setAutomationEnabled(bool value)
{
    settings_.set(&AppSettings::automationEnabled, value);
    noteSettingsWrite(Preferences::setAutomationEnabled(value));
}

void AppModel::setRestoreFlashEnabled(bool value)
{
    settings_.set(&AppSettings::restoreFlashEnabled, value);
    noteSettingsWrite(Preferences::setRestoreFlashEnabled(value));
}

void AppModel::setHighlightColor(HighlightColor value)
{
    settings_.set(&AppSettings::highlightColor, value);
    noteSettingsWrite(Preferences::setHighlightColor(value));
}

void AppModel::assignGlobalShortcut(std::optional<Shortcut> value)
{
    settings_.set(&AppSettings::globalShortcut, value);
    noteSettingsWrite(Preferences::encodeShortcut(value, Preferences::globalShortcutKey));
}

void AppModel::setAppearance(AppearancePreference value)
{
    settings_.set(&AppSettings::appearance, value);
    noteSettingsWrite(Preferences::setAppearance(value));
}

void AppModel::noteSettingsWrite(const std::optional<QString> &problem)
{
    // A later write that lands means the file works again; what it holds is then what the
    // program shows, but for the settings written before it, which the next change rewrites.
    if (problem) {
        qCWarning(appLog).noquote() << "A setting was not saved:" << *problem;
    }
    storageStatus_.set(&StorageStatus::settingsProblem, problem);
}

// --- Derived state, lookups and selection --------------------------------------------------

std::optional<Layout> AppModel::selectedLayout() const
{
    if (!settings_->selectedLayoutID) {
        return std::nullopt;
    }
    return layout(*settings_->selectedLayoutID);
}

bool AppModel::hasPendingExclusionMutation() const
{
    return std::any_of(
        savedData_->pendingMutations.begin(), savedData_->pendingMutations.end(),
        [](const MutationScope &scope) { return scope.kind == MutationScope::Kind::exclusion; });
}

bool AppModel::hasPendingShortcutMutation() const
{
    return std::any_of(
        savedData_->pendingMutations.begin(), savedData_->pendingMutations.end(),
        [](const MutationScope &scope) { return scope.kind == MutationScope::Kind::shortcut; });
}

OperationGuard AppModel::guard(const QList<CurrentDisplay> *displays) const
{
    OperationGuard state;
    state.storageProblem = storageStatus_->storageProblem.has_value();
    state.storeUnavailable = state.storageProblem || !storage_->store() || storage_->opening();
    state.trusted = session_->permissionTrusted;
    state.busy = restoreStatus_->busy.has_value();
    state.pendingExclusion = hasPendingExclusionMutation();
    state.hasDisplays = !displays || !displays->isEmpty();
    return state;
}

void AppModel::publishRefusal(RefusedCommand command, Obstacle obstacle)
{
    const QString storageMessage =
        storageStatus_->storageProblem ? storageStatus_->storageProblem->message : QString();
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
    return canCapture() && restoreStatus_->undoInfo;
}

QSet<QString> AppModel::excludedBundleIDs() const
{
    QSet<QString> ids;
    for (const AppExclusion &exclusion : savedData_->exclusions) {
        ids.insert(exclusion.bundleID);
    }
    return ids;
}

std::optional<Layout> AppModel::layout(const QUuid &id) const
{
    for (const Layout &candidate : savedData_->layouts) {
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
    for (const Layout &candidate : savedData_->layouts) {
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
    for (const Layout &candidate : savedData_->layouts) {
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
    if (savedData_->pendingMutations.contains(scope)) {
        return QStringLiteral("That change is already in progress.");
    }
    if (savedData_->pendingMutations.contains(MutationScope::reset())) {
        return QStringLiteral("Saved layouts are being reset. Wait for it to finish.");
    }
    if (restoreStatus_->busy) {
        return refusalText::waitForCurrentOperation();
    }
    QSet<MutationScope> pending = savedData_->pendingMutations;
    pending.insert(scope);
    savedData_.set(&SavedData::pendingMutations, std::move(pending));
    return std::nullopt;
}

void AppModel::endMutation(const MutationScope &scope)
{
    if (!savedData_->pendingMutations.contains(scope)) {
        return;
    }
    QSet<MutationScope> pending = savedData_->pendingMutations;
    pending.remove(scope);
    savedData_.set(&SavedData::pendingMutations, std::move(pending));
}

void AppModel::publishAlert(const QString &title, const QString &message)
{
    windowRequests_.set(&WindowRequests::activeError,
                        UserFacingError{QUuid::createUuid(), title, message});
}

void AppModel::permissionLost()
{
    setPermissionTrusted(false);
}

void AppModel::deferAutomation(AutomationDeferral deferral)
{
    session_.update([&](SessionStatus &session) {
        session.lastAutomationDeferral = deferral;
        session.automationNotice = reason(deferral);
    });
}

void AppModel::publishAutomationNotice(QString notice)
{
    session_.set(&SessionStatus::automationNotice, std::move(notice));
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

QCoro::Task<bool> AppModel::storeLoaded()
{
    const std::optional<QUuid> remembered = Preferences::selectedLayoutID();
    if (remembered && layout(*remembered)) {
        setSelectedLayoutID(remembered);
    } else if (!savedData_->layouts.isEmpty()) {
        setSelectedLayoutID(savedData_->layouts.first().id);
    } else {
        setSelectedLayoutID(std::nullopt);
    }

    QCoro::Task<bool> refreshing = refreshPermissionAndUndoInfo();
    if (!co_await refreshing) {
        co_return false;
    }
    pruneSessionReferences();
    configureShortcuts();
    updateSessionEligibility();
    co_return true;
}

} // namespace ostrel
