#include "app/AppModel.h"

#include "app/Attempt.h"
#include "app/StorageUpkeep.h"

#include "app/WindowPresenter.h"
#include "platform/ShortcutRecordingSession.h"
#include "platform/ShortcutService.h"
#include "storage/ErrorDescription.h"
#include "storage/LayoutStore.h"

#include <QPointer>

namespace ostrel {

void AppModel::configureShortcuts()
{
    if (environment_.shortcutRecordings->active()) {
        shortcutService_->unregisterAll();
        return;
    }
    const ShortcutApplyResult result =
        shortcutService_->apply(settings_->globalShortcut, perLayoutShortcuts(), std::nullopt);
    shortcutStatus_.update([&](ShortcutStatus &status) {
        status.activeGlobalShortcut = shortcutService_->activeGlobal();
        status.shortcutsError = result.message;
    });
}

void AppModel::handleShortcut(const ShortcutTarget &target)
{
    if (environment_.shortcutRecordings->active()) {
        return;
    }
    // A press can come while the panel is hidden: the refusal is an alert of its own.
    if (const std::optional<Obstacle> obstacle =
            guard().first({Obstacle::storageProblem, Obstacle::permission})) {
        const std::optional<RefusalAlert> alert = refusalAlert(
            RefusedCommand::shortcutPress, *obstacle,
            storageStatus_->storageProblem ? storageStatus_->storageProblem->message : QString());
        if (alert) {
            environment_.presenter->presentAlert(alert->title, alert->message);
        }
        return;
    }
    if (target.kind == ShortcutTarget::Kind::layout) {
        if (layout(target.layoutID)) {
            selectLayout(target.layoutID);
            restoreSelectedLayout();
        }
        return;
    }
    if (selectedLayout()) {
        restoreSelectedLayout();
    } else {
        environment_.presenter->showChooser();
    }
}

std::optional<Refusal> AppModel::setGlobalShortcut(std::optional<Shortcut> shortcut)
{
    if (restoreStatus_->busy || savedData_->pendingMutations.contains(MutationScope::reset())) {
        return QStringLiteral("Wait for the current operation before changing shortcuts.");
    }
    if (hasPendingShortcutMutation()) {
        return QStringLiteral("Wait for the current shortcut change to finish.");
    }
    if (ShortcutRecordingSession *recording = environment_.shortcutRecordings->active()) {
        recording->stop();
    }
    const ShortcutApplyResult result =
        shortcutService_->apply(shortcut, perLayoutShortcuts(), ShortcutTarget::selectedLayout());
    if (!result.message) {
        assignGlobalShortcut(shortcut);
    }
    shortcutStatus_.update([&](ShortcutStatus &status) {
        status.activeGlobalShortcut = shortcutService_->activeGlobal();
        status.shortcutsError = result.message;
    });
    if (result.message) {
        return *result.message;
    }
    return std::nullopt;
}

QCoro::Task<std::optional<Refusal>> AppModel::setLayoutShortcut(std::optional<Shortcut> shortcut,
                                                                QUuid layoutID)
{
    if (!layout(layoutID)) {
        co_return refusalText::layoutUnavailable();
    }
    if (hasPendingShortcutMutation()) {
        co_return QStringLiteral("Wait for the current shortcut change to finish.");
    }
    const MutationScope scope = MutationScope::shortcut(layoutID);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    QHash<QUuid, Shortcut> perLayout = perLayoutShortcuts();
    if (shortcut) {
        perLayout.insert(layoutID, *shortcut);
    } else {
        perLayout.remove(layoutID);
    }
    if (ShortcutRecordingSession *recording = environment_.shortcutRecordings->active()) {
        recording->stop();
    }
    // A trial registration of the whole new set: the change is kept only if it works.
    const ShortcutApplyResult trial = shortcutService_->apply(settings_->globalShortcut, perLayout,
                                                              ShortcutTarget::layout(layoutID));
    shortcutStatus_.update([&](ShortcutStatus &status) {
        status.activeGlobalShortcut = shortcutService_->activeGlobal();
        if (trial.message) {
            status.shortcutsError = trial.message;
        }
    });
    if (trial.message) {
        endMutation(scope);
        co_return trial.message;
    }
    if (!storage_->store()) {
        endMutation(scope);
        co_return refusalText::storageUnavailable();
    }

    std::shared_ptr<LayoutStore> store = storage_->store();
    bool written = false;
    const Attempt<QList<Layout>> outcome =
        co_await attempt(this, writeShortcut(store, layoutID, shortcut, written));
    if (outcome.ownerGone) {
        co_return outcome.failure;
    }
    if (outcome.failure) {
        if (written) {
            // The shortcut is stored even though the list could not be read back: the hot keys
            // follow what was stored, not the list from before.
            QList<Layout> patched = savedData_->layouts;
            for (Layout &candidate : patched) {
                if (candidate.id == layoutID) {
                    candidate.shortcut = shortcut;
                }
            }
            savedData_.set(&SavedData::layouts, std::move(patched));
        }
        configureShortcuts();
        endMutation(scope);
        co_return outcome.failure;
    }
    savedData_.set(&SavedData::layouts, *outcome.value);
    configureShortcuts();
    endMutation(scope);
    if (!layout(layoutID)) {
        co_return refusalText::layoutUnavailable();
    }
    co_return std::nullopt;
}

QCoro::Task<QList<Layout>> AppModel::writeShortcut(std::shared_ptr<LayoutStore> store,
                                                   QUuid layoutID, std::optional<Shortcut> shortcut,
                                                   bool &written)
{
    QCoro::Task<void> writing = store->updateShortcut(layoutID, shortcut);
    co_await writing;
    written = true;
    QCoro::Task<QList<Layout>> loading = store->loadLayouts();
    co_return co_await loading;
}

} // namespace ostrel
