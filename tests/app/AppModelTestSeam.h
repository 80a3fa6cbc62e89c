#pragma once

#include "app/AppModel.h"
#include "app/RestoreCoordinator.h"
#include "app/SessionEligibility.h"
#include "app/SessionUpkeep.h"
#include "app/StorageUpkeep.h"

#include <memory>

namespace ostrel::test {

// The one way for a test to put the model into a published state without the operation that
// reaches it, for states the fakes cannot hold still long enough to look at, and to read the
// working state the views never show. Everything else goes through the fakes: a held store or
// window write, trust withdrawn on the desktop, a store that fails to open (see the fixture's
// `hold…`, `setTrust` and `breakStorage`). Each assignment names the published value it sets.
class AppModelTestSeam {
public:
    explicit AppModelTestSeam(AppModel &model)
        : model_(model)
    {
    }
    explicit AppModelTestSeam(AppModel *model)
        : model_(*model)
    {
    }
    explicit AppModelTestSeam(const std::unique_ptr<AppModel> &model)
        : model_(*model)
    {
    }

    void setBusy(std::optional<OperationKind> value)
    {
        model_.restoreStatus_.set(&RestoreStatus::busy, value);
    }
    void setPendingMutations(QSet<MutationScope> value)
    {
        model_.savedData_.set(&SavedData::pendingMutations, std::move(value));
    }
    void setStorageProblem(std::optional<StorageProblem> value)
    {
        model_.storageStatus_.set(&StorageStatus::storageProblem, std::move(value));
    }
    void setStorageNotice(std::optional<StorageNotice> value)
    {
        model_.storageStatus_.set(&StorageStatus::storageNotice, std::move(value));
    }
    void setSelectedLayoutID(std::optional<QUuid> value) { model_.setSelectedLayoutID(value); }
    void setUndoInfo(std::optional<UndoInfo> value)
    {
        model_.restoreStatus_.set(&RestoreStatus::undoInfo, std::move(value));
    }
    void setLayouts(QList<Layout> value)
    {
        model_.savedData_.set(&SavedData::layouts, std::move(value));
    }
    void setAutomationNotice(std::optional<QString> value)
    {
        model_.session_.set(&SessionStatus::automationNotice, std::move(value));
    }
    void setMissingDisplayPrompt(std::optional<MissingDisplayPrompt> value)
    {
        model_.restoreStatus_.set(&RestoreStatus::missingDisplayPrompt, std::move(value));
    }
    void setResolutionRequest(std::optional<ResolutionRequest> value)
    {
        model_.restoreStatus_.set(&RestoreStatus::resolutionRequest, std::move(value));
    }
    void setLastResult(std::optional<RestoreResult> value)
    {
        model_.restoreStatus_.set(&RestoreStatus::lastResult, std::move(value));
    }
    void setProgress(std::optional<RestoreProgress> value)
    {
        model_.restoreStatus_.set(&RestoreStatus::progress, std::move(value));
    }
    void setActiveError(std::optional<UserFacingError> value)
    {
        model_.windowRequests_.set(&WindowRequests::activeError, std::move(value));
    }
    void setIsBootstrapping(bool value)
    {
        model_.storageStatus_.set(&StorageStatus::isBootstrapping, value);
    }
    void setShortcutsError(std::optional<QString> value)
    {
        model_.shortcutStatus_.set(&ShortcutStatus::shortcutsError, std::move(value));
    }

    // The working state the views do not show.
    const QHash<QUuid, WindowReference> &sessionReferences() const
    {
        return model_.sessionWindows_.references;
    }
    const QHash<QUuid, WindowReference> &sessionResolutions() const
    {
        return model_.sessionWindows_.resolutions;
    }
    const std::optional<ManualRestoreContext> &activeManualOperation() const
    {
        return model_.restores_->activeManualOperation();
    }
    const std::shared_ptr<CancellationFlag> &cancellation() const
    {
        return model_.restores_->cancellation();
    }
    bool hasStore() const { return bool(model_.storage_->store()); }
    bool sessionSignalActive() const { return model_.sessionUpkeep_->sessionSignalActive_; }
    SessionEligibilityGate &eligibilityGate() const { return *model_.eligibilityGate_; }
    AutomationService &automationService() const { return *model_.automationService_; }
    // The session's own report alone, before the last session signal is taken into account.
    SessionEligibility currentSessionEligibility() const
    {
        return model_.sessionUpkeep_->currentSessionEligibility();
    }

private:
    AppModel &model_;
};

} // namespace ostrel::test
