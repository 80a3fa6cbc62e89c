#pragma once

#include "app/AppModel.h"

#include <memory>

namespace ostrel::test {

// The one way for a test to put the model into a published state without the operation that
// reaches it, for states the fakes cannot hold still long enough to look at. Everything else
// goes through the fakes: a held store or window write, trust withdrawn on the desktop, a store
// that fails to open (see the fixture's `hold…`, `setTrust` and `breakStorage`). The names are
// the model's own assignments.
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

    void setBusy(std::optional<OperationKind> value) { model_.setBusy(value); }
    void setPendingMutations(QSet<MutationScope> value)
    {
        model_.setPendingMutations(std::move(value));
    }
    void setStorageProblem(std::optional<StorageProblem> value)
    {
        model_.setStorageProblem(std::move(value));
    }
    void setStorageNotice(std::optional<StorageNotice> value)
    {
        model_.setStorageNotice(std::move(value));
    }
    void setSelectedLayoutID(std::optional<QUuid> value) { model_.setSelectedLayoutID(value); }
    void setUndoInfo(std::optional<UndoInfo> value) { model_.setUndoInfo(std::move(value)); }
    void setLayouts(QList<Layout> value) { model_.setLayouts(std::move(value)); }
    void setAutomationNotice(std::optional<QString> value)
    {
        model_.setAutomationNotice(std::move(value));
    }
    void setMissingDisplayPrompt(std::optional<MissingDisplayPrompt> value)
    {
        model_.setMissingDisplayPrompt(std::move(value));
    }
    void setResolutionRequest(std::optional<ResolutionRequest> value)
    {
        model_.setResolutionRequest(std::move(value));
    }
    void setLastResult(std::optional<RestoreResult> value)
    {
        model_.setLastResult(std::move(value));
    }
    void setProgress(std::optional<RestoreProgress> value) { model_.setProgress(std::move(value)); }
    void setActiveError(std::optional<UserFacingError> value)
    {
        model_.setActiveError(std::move(value));
    }
    void setIsBootstrapping(bool value) { model_.setIsBootstrapping(value); }
    void setShortcutsError(std::optional<QString> value)
    {
        model_.setShortcutsError(std::move(value));
    }

private:
    AppModel &model_;
};

} // namespace ostrel::test
