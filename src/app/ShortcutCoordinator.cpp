#include "app/ShortcutCoordinator.h"

#include "app/AppEnvironment.h"
#include "app/AppLog.h"
#include "app/AppModel.h"
#include "app/Attempt.h"
#include "app/RestoreCoordinator.h"
#include "app/ShortcutHost.h"
#include "app/StorageUpkeep.h"
#include "app/WindowPresenter.h"
#include "platform/ShortcutRecordingSession.h"
#include "platform/ShortcutService.h"
#include "storage/LayoutStore.h"

namespace ostrel {

ShortcutCoordinator::ShortcutCoordinator(Links links)
    : model_(links.model)
    , host_(links.host)
    , status_(links.status)
    , saved_(links.saved)
    , environment_(links.environment)
    , service_(links.service)
    , storage_(links.storage)
    , restores_(links.restores)
{
}

void ShortcutCoordinator::configureShortcuts()
{
    if (environment_.shortcutRecordings->active()) {
        service_.unregisterAll();
        return;
    }
    const ShortcutApplyResult result = service_.apply(model_.settings().globalShortcut,
                                                      saved_->perLayoutShortcuts(), std::nullopt);
    status_.update([&](ShortcutStatus &status) {
        status.activeGlobalShortcut = service_.activeGlobal();
        status.shortcutsError = result.message;
    });
}

void ShortcutCoordinator::recordingChanged(bool recording)
{
    if (recording) {
        service_.unregisterAll();
    } else {
        configureShortcuts();
    }
}

void ShortcutCoordinator::handleShortcut(const ShortcutTarget &target)
{
    if (environment_.shortcutRecordings->active()) {
        return;
    }
    // A press can come while the panel is hidden: the refusal is an alert of its own.
    if (const std::optional<Obstacle> obstacle =
            host_.guard().first({Obstacle::storageProblem, Obstacle::permission})) {
        const std::optional<RefusalAlert> alert = refusalAlert(
            RefusedCommand::shortcutPress, *obstacle,
            model_.storageStatus().storageProblem ? model_.storageStatus().storageProblem->message
                                                  : QString());
        if (alert) {
            environment_.presenter->presentAlert(alert->title, alert->message);
        }
        return;
    }
    if (target.kind == ShortcutTarget::Kind::layout) {
        if (saved_->layout(target.layoutID)) {
            model_.selectLayout(target.layoutID);
            restores_.restoreSelectedLayout();
        }
        return;
    }
    if (model_.selectedLayout()) {
        restores_.restoreSelectedLayout();
    } else {
        environment_.presenter->showChooser();
    }
}

std::optional<Refusal> ShortcutCoordinator::setGlobalShortcut(std::optional<Shortcut> shortcut)
{
    if (model_.restoreStatus().busy || saved_->pendingMutations.contains(MutationScope::reset())) {
        return QStringLiteral("Wait for the current operation before changing shortcuts.");
    }
    if (saved_->hasPendingShortcutMutation()) {
        return QStringLiteral("Wait for the current shortcut change to finish.");
    }
    if (ShortcutRecordingSession *recording = environment_.shortcutRecordings->active()) {
        recording->stop();
    }
    const ShortcutApplyResult result =
        service_.apply(shortcut, saved_->perLayoutShortcuts(), ShortcutTarget::selectedLayout());
    if (!result.message) {
        host_.assignGlobalShortcut(shortcut);
    }
    status_.update([&](ShortcutStatus &status) {
        status.activeGlobalShortcut = service_.activeGlobal();
        status.shortcutsError = result.message;
    });
    if (result.message) {
        return *result.message;
    }
    return std::nullopt;
}

QCoro::Task<std::optional<Refusal>>
ShortcutCoordinator::setLayoutShortcut(std::optional<Shortcut> shortcut, QUuid layoutID)
{
    if (!saved_->layout(layoutID)) {
        co_return refusalText::layoutUnavailable();
    }
    if (saved_->hasPendingShortcutMutation()) {
        co_return QStringLiteral("Wait for the current shortcut change to finish.");
    }
    const MutationScope scope = MutationScope::shortcut(layoutID);
    if (const std::optional<Refusal> refusal = host_.beginMutation(scope)) {
        co_return refusal;
    }
    QHash<QUuid, Shortcut> perLayout = saved_->perLayoutShortcuts();
    if (shortcut) {
        perLayout.insert(layoutID, *shortcut);
    } else {
        perLayout.remove(layoutID);
    }
    if (ShortcutRecordingSession *recording = environment_.shortcutRecordings->active()) {
        recording->stop();
    }
    // A trial registration of the whole new set: the change is kept only if it works.
    const ShortcutApplyResult trial = service_.apply(model_.settings().globalShortcut, perLayout,
                                                     ShortcutTarget::layout(layoutID));
    status_.update([&](ShortcutStatus &status) {
        status.activeGlobalShortcut = service_.activeGlobal();
        if (trial.message) {
            status.shortcutsError = trial.message;
        }
    });
    if (trial.message) {
        host_.endMutation(scope);
        co_return trial.message;
    }
    if (!storage_.store()) {
        host_.endMutation(scope);
        co_return refusalText::storageUnavailable();
    }

    std::shared_ptr<LayoutStore> store = storage_.store();
    bool written = false;
    const Attempt<QList<Layout>> outcome =
        co_await attempt(&model_, writeShortcut(store, layoutID, shortcut, written));
    if (outcome.ownerGone) {
        co_return outcome.failure;
    }
    if (outcome.failure) {
        qCWarning(appLog).noquote() << "Changing a layout's shortcut failed:" << *outcome.failure;
        if (written) {
            // The shortcut is stored even though the list could not be read back: the hot keys
            // follow what was stored, not the list from before.
            QList<Layout> patched = saved_->layouts;
            for (Layout &candidate : patched) {
                if (candidate.id == layoutID) {
                    candidate.shortcut = shortcut;
                }
            }
            saved_.set(&SavedData::layouts, std::move(patched));
        }
        configureShortcuts();
        host_.endMutation(scope);
        co_return outcome.failure;
    }
    saved_.set(&SavedData::layouts, *outcome.value);
    configureShortcuts();
    host_.endMutation(scope);
    if (!saved_->layout(layoutID)) {
        co_return refusalText::layoutUnavailable();
    }
    co_return std::nullopt;
}

QCoro::Task<QList<Layout>> ShortcutCoordinator::writeShortcut(std::shared_ptr<LayoutStore> store,
                                                              QUuid layoutID,
                                                              std::optional<Shortcut> shortcut,
                                                              bool &written)
{
    QCoro::Task<void> writing = store->updateShortcut(layoutID, shortcut);
    co_await writing;
    written = true;
    QCoro::Task<QList<Layout>> loading = store->loadLayouts();
    co_return co_await loading;
}

} // namespace ostrel
