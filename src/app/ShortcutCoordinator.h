#pragma once

#include "app/Published.h"
#include "app/Refusal.h"
#include "app/SavedData.h"
#include "app/ShortcutStatus.h"
#include "model/Layout.h"
#include "model/Shortcut.h"
#include "model/ShortcutTarget.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QUuid>

#include <memory>
#include <optional>

namespace ostrel {

class AppModel;
class LayoutStore;
class RestoreCoordinator;
class ShortcutHost;
class ShortcutService;
class StorageUpkeep;
struct AppEnvironment;

// The model's hot keys: registering them from the settings and the layouts (and holding them off
// while a shortcut is recorded), acting on a press, and changing the global shortcut or a
// layout's own. A change is tried against the system first and kept only when every hot key of
// the new set registers. It keeps the shortcut status, which the model publishes, and lives
// exactly as long as that model, so its coroutines look at the model before they touch anything
// after an await.
class ShortcutCoordinator {
public:
    struct Links {
        AppModel &model; // read through its public face
        ShortcutHost &host;
        Published<ShortcutStatus> &status;
        Published<SavedData> &saved;
        const AppEnvironment &environment;
        ShortcutService &service;
        StorageUpkeep &storage;
        RestoreCoordinator &restores;
    };

    explicit ShortcutCoordinator(Links links);
    ShortcutCoordinator(const ShortcutCoordinator &) = delete;
    ShortcutCoordinator &operator=(const ShortcutCoordinator &) = delete;

    // Tries the new global shortcut against the system first and keeps it only when every hot
    // key registers; refuses with the text to show.
    [[nodiscard]] std::optional<Refusal> setGlobalShortcut(std::optional<Shortcut> shortcut);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>>
    setLayoutShortcut(std::optional<Shortcut> shortcut, QUuid layoutID);

    // Registers the hot keys from the model's state (none while a shortcut is recorded).
    void configureShortcuts();
    // A hot key was pressed.
    void handleShortcut(const ShortcutTarget &target);
    // A shortcut recorder started or stopped recording: the keys must reach it meanwhile.
    void recordingChanged(bool recording);

private:
    QCoro::Task<QList<Layout>> writeShortcut(std::shared_ptr<LayoutStore> store, QUuid layoutID,
                                             std::optional<Shortcut> shortcut, bool &written);

    AppModel &model_;
    ShortcutHost &host_;
    Published<ShortcutStatus> &status_;
    Published<SavedData> &saved_;
    const AppEnvironment &environment_;
    ShortcutService &service_;
    StorageUpkeep &storage_;
    RestoreCoordinator &restores_;
};

} // namespace ostrel
