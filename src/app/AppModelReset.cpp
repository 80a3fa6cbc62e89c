#include "app/AppModel.h"

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

QCoro::Task<std::optional<QString>> AppModel::backupNow()
{
    // With a storage problem shown the open database may be the very file that failed to
    // load: copying it would replace the last good backup with one that cannot be read either.
    if (!store_ || storeOpening_ || storageProblem_) {
        co_return QStringLiteral("Storage is unavailable.");
    }
    if (busy_ || !pendingMutations_.isEmpty()) {
        co_return QStringLiteral("Wait for the current operation before backing up.");
    }
    QPointer<AppModel> self(this);
    std::shared_ptr<LayoutStore> store = store_;
    std::optional<QString> failure;
    QString written;
    try {
        QCoro::Task<QString> backingUp = store->backupNow();
        written = co_await backingUp;
    } catch (...) {
        failure = descriptionOf(std::current_exception());
    }
    if (!self || failure) {
        co_return failure;
    }
    setLastBackupURL(written);
    co_return std::nullopt;
}

QCoro::Task<DatabaseResetOutcome> AppModel::resetDatabase()
{
    if (!store_) {
        co_return DatabaseResetOutcome::failed(QStringLiteral("Storage is unavailable."));
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
    if (const std::optional<QString> refusal = beginMutation(scope)) {
        co_return DatabaseResetOutcome::failed(*refusal);
    }
    setBusy(OperationKind::resetting);

    QPointer<AppModel> self(this);
    std::shared_ptr<LayoutStore> store = store_;
    std::optional<QString> warning;
    std::optional<QString> failure;
    try {
        QCoro::Task<std::optional<QString>> resetting = store->resetDatabase();
        warning = co_await resetting;
    } catch (...) {
        failure = descriptionOf(std::current_exception());
    }
    if (!self) {
        co_return DatabaseResetOutcome::failed(failure.value_or(QString()));
    }
    if (failure) {
        setBusy(std::nullopt);
        endMutation(scope);
        co_return DatabaseResetOutcome::failed(*failure);
    }
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
    if (ShortcutRecordingSession *recording = ShortcutRecordingSession::active()) {
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
    activeManualOperation_.reset();
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
    QCoro::Task<void> clearingUndo = restoreService_->clearUndo();
    co_await clearingUndo;
    if (!self) {
        co_return;
    }
    sessionReferences_.clear();
    sessionResolutions_.clear();
    clearMarkers();
    environment_.flash->removePanels();
    for (const QLatin1StringView id : {WindowID::saveLayout, WindowID::layoutDetails,
                                       WindowID::chooser, WindowID::missingDisplays,
                                       WindowID::resolution}) {
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

} // namespace ostrel
