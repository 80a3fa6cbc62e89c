#include "app/AppModel.h"

#include "app/AppLog.h"
#include "app/AutomationService.h"
#include "app/CaptureCoordinator.h"
#include "app/EditCoordinator.h"
#include "app/RestoreCoordinator.h"
#include "app/SessionEligibility.h"
#include "app/SessionUpkeep.h"
#include "app/ShortcutCoordinator.h"
#include "app/StorageUpkeep.h"
#include "model/Preferences.h"
#include "platform/ShortcutRecordingSession.h"
#include "platform/ShortcutService.h"
#include "system/ApplicationEvents.h"
#include "system/DisplayEvents.h"
#include "system/PowerEvents.h"
#include "system/SessionEvents.h"
#include "system/TrustEvents.h"

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
    // Each coordinator is handed what is made before it; what it needs of one made later, it
    // asks the model for through its host.
    restores_ = std::make_unique<RestoreCoordinator>(
        RestoreCoordinator::Links{*this, *this, restoreStatus_, sessionWindows_, environment_,
                                  *windowService_, *automationService_, eligibilityGate_});
    storage_ = std::make_unique<StorageUpkeep>(
        StorageUpkeep::Links{*this, *this, storageStatus_, savedData_, environment_});
    edits_ = std::make_unique<EditCoordinator>(
        EditCoordinator::Links{*this, *this, savedData_, windowRequests_, *storage_});
    shortcuts_ = std::make_unique<ShortcutCoordinator>(
        ShortcutCoordinator::Links{*this, *this, shortcutStatus_, savedData_, environment_,
                                   *shortcutService_, *storage_, *restores_});
    capture_ = std::make_unique<CaptureCoordinator>(CaptureCoordinator::Links{
        *this, *this, windowRequests_, savedData_, *windowService_, *storage_});
    sessionUpkeep_ = std::make_unique<SessionUpkeep>(
        SessionUpkeep::Links{*this, *this, session_, sessionWindows_, environment_, *windowService_,
                             *automationService_, eligibilityGate_, *restores_});

    sessionUpkeep_->setPermissionTrusted(environment_.system.trust->isProcessTrusted());
    const SessionEligibility session = sessionUpkeep_->currentSessionEligibility();
    session_.set(&SessionStatus::sessionEligible, session.eligible);
    eligibilityGate_->set(session.eligible, session.eligible ? std::nullopt : session.reason);

    // Outside signals reach the model through the event loop, and only while it exists.
    shortcutService_->onTrigger = [this](const ShortcutTarget &target) {
        QMetaObject::invokeMethod(
            this, [this, target] { shortcuts_->handleShortcut(target); }, Qt::QueuedConnection);
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
    notifications_.add(
        connect(environment_.shortcutRecordings, &ShortcutRecordings::recordingStateChanged, this,
                [this](bool recording) { shortcuts_->recordingChanged(recording); }));

    storage_->startBootstrap();
}

AppModel::~AppModel()
{
    restores_->stopAndWait();
}

AppCoordinators AppModel::coordinators()
{
    return AppCoordinators{*capture_, *edits_, *shortcuts_, *restores_, *storage_, *sessionUpkeep_};
}

// --- Published state ----------------------------------------------------------------------------

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

// --- Selection and what the user may do now -----------------------------------------------------

std::optional<Layout> AppModel::selectedLayout() const
{
    if (!settings_->selectedLayoutID) {
        return std::nullopt;
    }
    return savedData_->layout(*settings_->selectedLayoutID);
}

void AppModel::selectLayout(const QUuid &id)
{
    if (savedData_->layout(id)) {
        setSelectedLayoutID(id);
    }
}

OperationGuard AppModel::guard(const QList<CurrentDisplay> *displays) const
{
    OperationGuard state;
    state.storageProblem = storageStatus_->storageProblem.has_value();
    state.storeUnavailable = state.storageProblem || !storage_->store() || storage_->opening();
    state.trusted = session_->permissionTrusted;
    state.busy = restoreStatus_->busy.has_value();
    state.pendingExclusion = savedData_->hasPendingExclusionMutation();
    state.hasDisplays = !displays || !displays->isEmpty();
    return state;
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
    return canCapture() && savedData_->layout(chosen.id);
}

bool AppModel::canUndo() const
{
    return canCapture() && restoreStatus_->undoInfo;
}

// --- What the coordinators ask of the model -----------------------------------------------------

void AppModel::publishRefusal(RefusedCommand command, Obstacle obstacle)
{
    const QString storageMessage =
        storageStatus_->storageProblem ? storageStatus_->storageProblem->message : QString();
    if (const std::optional<RefusalAlert> alert = refusalAlert(command, obstacle, storageMessage)) {
        publishAlert(alert->title, alert->message);
    }
}

void AppModel::publishAlert(const QString &title, const QString &message)
{
    windowRequests_.set(&WindowRequests::activeError,
                        UserFacingError{QUuid::createUuid(), title, message});
}

void AppModel::permissionLost()
{
    sessionUpkeep_->setPermissionTrusted(false);
}

void AppModel::setBusy(std::optional<OperationKind> kind)
{
    restoreStatus_.set(&RestoreStatus::busy, kind);
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

void AppModel::pruneSessionReferences()
{
    sessionUpkeep_->pruneSessionReferences();
}

void AppModel::rememberReferences(const QHash<QUuid, WindowReference> &references)
{
    sessionUpkeep_->rememberReferences(references);
}

void AppModel::configureShortcuts()
{
    shortcuts_->configureShortcuts();
}

std::optional<Refusal> AppModel::beginMutation(const MutationScope &scope)
{
    return edits_->beginMutation(scope);
}

void AppModel::endMutation(const MutationScope &scope)
{
    edits_->endMutation(scope);
}

QCoro::Task<bool> AppModel::storeLoaded()
{
    const std::optional<QUuid> remembered = Preferences::selectedLayoutID();
    if (remembered && savedData_->layout(*remembered)) {
        setSelectedLayoutID(remembered);
    } else if (!savedData_->layouts.isEmpty()) {
        setSelectedLayoutID(savedData_->layouts.first().id);
    } else {
        setSelectedLayoutID(std::nullopt);
    }

    QCoro::Task<bool> refreshing = sessionUpkeep_->refreshPermissionAndUndoInfo();
    if (!co_await refreshing) {
        co_return false;
    }
    pruneSessionReferences();
    configureShortcuts();
    sessionUpkeep_->updateSessionEligibility();
    co_return true;
}

// --- System events ------------------------------------------------------------------------------

void AppModel::observeSystemEvents()
{
    // Each signal is handled on a later turn of the event loop, and not at all once the model
    // is gone.
    const auto observe = [this](auto *sender, auto signal, auto handler) {
        notifications_.add(QObject::connect(sender, signal, this, handler, Qt::QueuedConnection));
    };
    SessionUpkeep *upkeep = sessionUpkeep_.get();
    ApplicationEvents *applications = environment_.applicationEvents;
    SessionEvents *session = environment_.session;
    PowerEvents *power = environment_.power;
    observe(applications, &ApplicationEvents::applicationDidBecomeActive,
            [upkeep] { upkeep->refresh(); });
    observe(environment_.displayEvents, &DisplayEvents::screenParametersChanged,
            [upkeep] { upkeep->handleScreenParametersChanged(); });
    observe(session, &SessionEvents::sessionDidResignActive,
            [upkeep] { upkeep->sessionWentAway(); });
    observe(session, &SessionEvents::sessionDidBecomeActive,
            [upkeep] { upkeep->sessionCameBack(); });
    observe(power, &PowerEvents::screensDidSleep, [upkeep] { upkeep->sessionWentAway(); });
    observe(power, &PowerEvents::screensDidWake, [upkeep] { upkeep->sessionCameBack(); });
    observe(power, &PowerEvents::willSleep, [upkeep] { upkeep->sessionWentAway(); });
    observe(power, &PowerEvents::didWake, [upkeep] { upkeep->sessionCameBack(); });
    observe(session, &SessionEvents::screenLocked, [upkeep] { upkeep->sessionWentAway(); });
    observe(session, &SessionEvents::screenUnlocked, [upkeep] { upkeep->sessionCameBack(); });
    observe(applications, &ApplicationEvents::applicationTerminated,
            [upkeep] { upkeep->pruneSessionReferences(); });
    if (environment_.trustEvents) {
        observe(environment_.trustEvents, &TrustEvents::trustChanged,
                [upkeep] { upkeep->handleTrustChanged(); });
    }
}

} // namespace ostrel
