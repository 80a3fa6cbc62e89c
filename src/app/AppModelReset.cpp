#include "app/AppModel.h"

#include "app/Attempt.h"
#include "app/RestoreCoordinator.h"
#include "app/StorageUpkeep.h"

#include "app/AutomationService.h"
#include "app/WindowPresenter.h"
#include "model/Preferences.h"
#include "platform/MarkerOverlayService.h"
#include "platform/RestoredWindowFlashService.h"
#include "platform/ShortcutRecordingSession.h"
#include "storage/ErrorDescription.h"
#include "storage/LayoutStore.h"

#include <QPointer>

namespace ostrel {

QCoro::Task<DatabaseResetOutcome> AppModel::resetDatabase()
{
    if (!storage_->store()) {
        co_return DatabaseResetOutcome::failed(refusalText::storageUnavailable());
    }
    if (busy_) {
        co_return DatabaseResetOutcome::failed(
            QStringLiteral("Wait for the current operation before resetting."));
    }
    if (!pendingMutations_.isEmpty()) {
        co_return DatabaseResetOutcome::failed(
            QStringLiteral("A change is being saved. Wait before resetting."));
    }
    const MutationScope scope = MutationScope::reset();
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return DatabaseResetOutcome::failed(refusal->text);
    }
    setBusy(OperationKind::resetting);

    std::shared_ptr<LayoutStore> store = storage_->store();
    const Attempt<std::optional<QString>> reset = co_await attempt(this, store->resetDatabase());
    if (reset.ownerGone) {
        co_return DatabaseResetOutcome::failed(reset.failure.value_or(QString()));
    }
    if (reset.failure) {
        setBusy(std::nullopt);
        endMutation(scope);
        co_return DatabaseResetOutcome::failed(*reset.failure);
    }
    const std::optional<QString> warning = *reset.value;
    QPointer<AppModel> self(this);
    QCoro::Task<void> clearing = clearAfterDatabaseReset(warning);
    co_await clearing;
    if (!self) {
        co_return DatabaseResetOutcome::cleared();
    }
    setBusy(std::nullopt);
    endMutation(scope);
    co_return warning ? DatabaseResetOutcome::clearedWithWarning(*warning)
                      : DatabaseResetOutcome::cleared();
}

QCoro::Task<void> AppModel::clearAfterDatabaseReset(std::optional<QString> warning)
{
    if (ShortcutRecordingSession *recording = environment_.shortcutRecordings->active()) {
        recording->stop();
    }
    // No setup accepted before the reset may hold back the next automatic restore.
    automationService_->cancelSettling();
    automationService_->setLastAcceptedSignature(std::nullopt);
    automationService_->setLastAcceptedAt(std::nullopt);
    automationService_->setInFlight(false);

    setPendingCapture(std::nullopt);
    setMissingDisplayPrompt(std::nullopt);
    setResolutionRequest(std::nullopt);
    setLastResult(std::nullopt);
    setUndoInfo(std::nullopt);
    setProgress(std::nullopt);
    setActiveError(std::nullopt);
    setAutomationNotice(std::nullopt);
    setLastAutomationDeferral(std::nullopt);
    setShortcutsError(std::nullopt);

    setLayouts({});
    setExclusions({});
    setSelectedLayoutID(std::nullopt);
    setManageLayoutID(std::nullopt);

    assignGlobalShortcut(std::nullopt);
    setAutomationEnabled(false);
    setRestoreFlashEnabled(true);
    setHighlightColor(HighlightColor::blue);
    setAppearance(AppearancePreference::system);
    setPermissionPrompted(false);
    Preferences::reset();

    configureShortcuts();

    QPointer<AppModel> self(this);
    QCoro::Task<void> forgetting = restores_->forgetEverything();
    co_await forgetting;
    if (!self) {
        co_return;
    }
    sessionReferences_.clear();
    sessionResolutions_.clear();
    environment_.flash->removePanels();
    for (const QLatin1StringView id :
         {WindowID::saveLayout, WindowID::layoutDetails, WindowID::chooser,
          WindowID::missingDisplays, WindowID::resolution}) {
        environment_.presenter->close(QString(id));
    }

    setLastBackupURL(warning ? std::nullopt : std::optional<QString>(storePaths_.backup));
    setStorageNotice(StorageNotice{
        QStringLiteral("Saved Data Cleared"),
        warning ? QStringLiteral("Your layouts and settings were cleared, but one cleanup step "
                                 "didn’t finish. You can keep using Ostrel.")
                : QStringLiteral("Your layouts and settings are back to a clean slate. Save a new "
                                 "layout whenever you’re ready."),
        warning});
}

QCoro::Task<std::optional<Refusal>> AppModel::backupNow()
{
    return storage_->backupNow();
}

} // namespace ostrel
