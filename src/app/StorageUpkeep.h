#pragma once

#include "app/DatabaseResetOutcome.h"
#include "app/Published.h"
#include "app/Refusal.h"
#include "app/SavedData.h"
#include "app/StorageStatus.h"
#include "app/StoreWrite.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <exception>
#include <memory>
#include <optional>

namespace ostrel {

class AppModel;
class LayoutStore;
class StorageHost;
struct AppEnvironment;

// The model's store and its upkeep: opening it (and opening it again after a problem), the loads
// that publish what it holds, the writes of edits followed by their reload, the backup, the reset
// of everything saved, and closing it on its own thread. It keeps the storage status and the loaded
// data, which the model publishes, and lives exactly as long as that model, so its coroutines look
// at the model before they touch anything after an await.
class StorageUpkeep {
public:
    struct Links {
        AppModel &model; // read through its public face
        StorageHost &host;
        Published<StorageStatus> &status;
        Published<SavedData> &saved;
        const AppEnvironment &environment;
    };

    explicit StorageUpkeep(Links links);
    StorageUpkeep(const StorageUpkeep &) = delete;
    StorageUpkeep &operator=(const StorageUpkeep &) = delete;

    // The store, once open; none before, and none while a problem hides it.
    const std::shared_ptr<LayoutStore> &store() const { return store_; }
    // A (re)opening runs: nothing may write to the store it is about to replace.
    bool opening() const { return opening_; }

    // Opens the store and loads everything; a second call while one runs returns at once.
    QCoro::Task<void> bootstrap();
    void startBootstrap();
    void retryStorage();
    void revealStorageFolder();
    void dismissStorageNotice();
    // Writes a verified copy of the database as the backup, or refuses with the reason.
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> backupNow();
    // Erases all saved data and settings, after the settings window's own confirmation, and
    // returns the program to its first-launch state with the store still open.
    QCoro::Task<DatabaseResetOutcome> resetDatabase();

    // Load on the store's thread and publish; false when the model went away meanwhile. A
    // failed load throws and publishes nothing.
    QCoro::Task<bool> reloadLayouts(std::shared_ptr<LayoutStore> store);
    QCoro::Task<bool> reloadExclusions(std::shared_ptr<LayoutStore> store);
    // The write, then the reload it asks for; throws what either throws.
    QCoro::Task<void> writeAndReload(std::shared_ptr<LayoutStore> store, StoreWrite write,
                                     StoreReload reload);

private:
    // The layouts, then the exclusions; false when the model went away meanwhile.
    QCoro::Task<bool> loadEverything(std::shared_ptr<LayoutStore> store);
    void presentProblem(std::exception_ptr error);
    // Closes the store on its own thread after what it is already doing.
    QCoro::Task<void> closeStore();

    AppModel &model_;
    StorageHost &host_;
    Published<StorageStatus> &status_;
    Published<SavedData> &saved_;
    const AppEnvironment &environment_;
    std::shared_ptr<LayoutStore> store_;
    bool opening_ = false;
    std::optional<QCoro::Task<void>> bootstrapTask_;
};

} // namespace ostrel
