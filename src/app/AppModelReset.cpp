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
    if (restoreStatus_->busy) {
        co_return DatabaseResetOutcome::failed(
            QStringLiteral("Wait for the current operation before resetting."));
    }
    if (!savedData_->pendingMutations.isEmpty()) {
        co_return DatabaseResetOutcome::failed(
            QStringLiteral("A change is being saved. Wait before resetting."));
    }
    const MutationScope scope = MutationScope::reset();
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return DatabaseResetOutcome::failed(refusal->text);
    }
    restoreStatus_.set(&RestoreStatus::busy, OperationKind::resetting);

    std::shared_ptr<LayoutStore> store = storage_->store();
    const Attempt<std::optional<QString>> reset = co_await attempt(this, store->resetDatabase());
    if (reset.ownerGone) {
        co_return DatabaseResetOutcome::failed(reset.failure.value_or(QString()));
    }
    if (reset.failure) {
        restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
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
    restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
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

    // Each group is cleared in one step, so a view sees it once, already empty. The settings go
    // back to their first-start values; their stored keys all go with the reset below.
    windowRequests_.update([](WindowRequests &requests) { requests = {}; });
    restoreStatus_.update([](RestoreStatus &status) {
        RestoreStatus cleared;
        cleared.busy = status.busy;
        status = std::move(cleared);
    });
    session_.update([](SessionStatus &session) {
        session.automationNotice.reset();
        session.lastAutomationDeferral.reset();
        session.permissionPrompted = false;
    });
    shortcutStatus_.set(&ShortcutStatus::shortcutsError, std::nullopt);
    savedData_.update([](SavedData &data) {
        data.layouts.clear();
        data.exclusions.clear();
    });
    settings_.update([](AppSettings &settings) { settings = {}; });
    noteSettingsWrite(Preferences::reset());

    configureShortcuts();

    QPointer<AppModel> self(this);
    QCoro::Task<void> forgetting = restores_->forgetEverything();
    co_await forgetting;
    if (!self) {
        co_return;
    }
    sessionWindows_.references.clear();
    sessionWindows_.resolutions.clear();
    environment_.flash->removePanels();
    for (const QLatin1StringView id :
         {WindowID::saveLayout, WindowID::layoutDetails, WindowID::chooser,
          WindowID::missingDisplays, WindowID::resolution}) {
        environment_.presenter->close(QString(id));
    }

    storageStatus_.update([&](StorageStatus &status) {
        status.lastBackupURL =
            warning ? std::nullopt : std::optional<QString>(status.storePaths.backup);
        status.storageNotice = StorageNotice{
            QStringLiteral("Saved Data Cleared"),
            warning ? QStringLiteral("Your layouts and settings were cleared, but one cleanup "
                                     "step didn’t finish. You can keep using Ostrel.")
                    : QStringLiteral("Your layouts and settings are back to a clean slate. Save "
                                     "a new layout whenever you’re ready."),
            warning};
    });
}

QCoro::Task<std::optional<Refusal>> AppModel::backupNow()
{
    return storage_->backupNow();
}

} // namespace ostrel
