#include "app/StorageUpkeep.h"

#include "app/AppModel.h"
#include "app/AppEnvironment.h"
#include "app/AppLog.h"
#include "app/Attempt.h"
#include "app/StorageHost.h"

#include "model/StorageError.h"
#include "storage/ErrorDescription.h"
#include "storage/LayoutStore.h"
#include "storage/SQLiteDatabase.h"

#include <QCoro/QCoroFuture>
#include <QFileInfo>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace ostrel {

namespace {

struct OpenOutcome {
    std::shared_ptr<LayoutStore> store;
    std::optional<StorageNotice> notice;
    StorePaths paths;
    std::exception_ptr error;
};

// Opening may recover, upgrade or copy files: it runs on a thread of its own, never on the
// main thread, and its failure travels back as a value.
QFuture<OpenOutcome> openOffMainThread(std::function<StorageOpenResult()> open)
{
    return QtConcurrent::run([open = std::move(open)] {
        OpenOutcome outcome;
        try {
            if (!open) {
                throw StorageError::openFailed(QStringLiteral("No storage is configured."));
            }
            StorageOpenResult result = open();
            outcome.store = std::move(result.store);
            outcome.notice = std::move(result.notice);
            outcome.paths = std::move(result.paths);
        } catch (...) {
            outcome.error = std::current_exception();
        }
        return outcome;
    });
}

struct ProblemText {
    QString title;
    QString message;
};

ProblemText problemText(const std::exception_ptr &error)
{
    const QString couldNotOpen = QStringLiteral("Couldn’t Open Layouts");
    try {
        std::rethrow_exception(error);
    } catch (const StorageError &storage) {
        switch (storage.kind()) {
        case StorageError::Kind::futureSchema:
            return {QStringLiteral("Update Ostrel"),
                    QStringLiteral("Update Ostrel to continue. Your saved data is unchanged.")};
        case StorageError::Kind::storageUnavailable:
            return {QStringLiteral("Storage Unavailable"),
                    QStringLiteral("Check that the storage folder is available and there is "
                                   "enough disk space, then try again.")};
        case StorageError::Kind::openFailed:
            return {couldNotOpen,
                    QStringLiteral("Check that the storage folder is available and "
                                   "there is enough disk space, then try again.")};
        case StorageError::Kind::corrupted:
        case StorageError::Kind::recoveryFailed:
            return {QStringLiteral("Couldn’t Recover Layouts"),
                    QStringLiteral("Ostrel kept the original files. Reveal the storage folder to "
                                   "inspect them.")};
        case StorageError::Kind::migrationFailed:
            return {couldNotOpen,
                    QStringLiteral("Your original file was kept. Check storage, then try again.")};
        default:
            return {couldNotOpen,
                    QStringLiteral("Try again. If it keeps happening, reveal the storage folder.")};
        }
    } catch (...) {
        return {couldNotOpen, QStringLiteral("Check the details, then retry.")};
    }
}

} // namespace

StorageUpkeep::StorageUpkeep(Links links)
    : model_(links.model)
    , host_(links.host)
    , status_(links.status)
    , saved_(links.saved)
    , environment_(links.environment)
{
}

void StorageUpkeep::startBootstrap()
{
    bootstrapTask_.emplace(bootstrap());
}

QCoro::Task<void> StorageUpkeep::bootstrap()
{
    if (opening_) {
        co_return;
    }
    opening_ = true;
    status_.update([](StorageStatus &status) {
        status.isBootstrapping = true;
        status.storageProblem.reset();
    });
    QPointer<AppModel> self(&model_);

    // A retry after a failed load still holds the store it opened then: it is closed before a
    // second one opens the same files, and meanwhile no edit or backup can reach it.
    if (store_) {
        QCoro::Task<void> closing = closeStore();
        co_await closing;
        if (!self) {
            co_return;
        }
    }

    QFuture<OpenOutcome> opening = openOffMainThread(environment_.openStore);
    OpenOutcome opened = co_await opening;
    if (!self) {
        co_return;
    }
    std::exception_ptr failure = opened.error;
    if (!failure) {
        store_ = opened.store;
        status_.update([&](StorageStatus &status) {
            status.storePaths = opened.paths;
            status.storageNotice = opened.notice;
        });
        std::shared_ptr<LayoutStore> store = store_;
        try {
            QCoro::Task<bool> loadingLayouts = reloadLayouts(store);
            if (!co_await loadingLayouts) {
                co_return;
            }
            QCoro::Task<bool> loadingExclusions = reloadExclusions(store);
            if (!co_await loadingExclusions) {
                co_return;
            }
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        presentProblem(failure);
        opening_ = false;
        status_.set(&StorageStatus::isBootstrapping, false);
        co_return;
    }

    QCoro::Task<bool> finishing = host_.storeLoaded();
    if (!co_await finishing) {
        co_return;
    }
    opening_ = false;
    status_.set(&StorageStatus::isBootstrapping, false);
}

void StorageUpkeep::presentProblem(std::exception_ptr error)
{
    const StorePaths &fallback = environment_.defaultStorePaths;
    const ProblemText text = problemText(error);
    qCWarning(appLog).noquote() << text.title + QStringLiteral(":") << descriptionOf(error);
    status_.update([&](StorageStatus &status) {
        status.storePaths = fallback;
        status.storageProblem =
            StorageProblem{QUuid::createUuid(), text.title, text.message,        fallback.database,
                           fallback.backup,     true,       descriptionOf(error)};
    });
}

void StorageUpkeep::retry()
{
    status_.set(&StorageStatus::storageProblem, std::nullopt);
    startBootstrap();
}

void StorageUpkeep::revealFolder()
{
    const QString folder = status_->storePaths.directory;
    if (folder.isEmpty() || !QFileInfo::exists(folder) || !environment_.revealFolder) {
        return;
    }
    // Without a file manager the click would do nothing visible: the user still needs to know
    // where the files are, so the alert names the folder in text that can be copied.
    QPointer<AppModel> model(&model_);
    environment_.revealFolder(folder, [this, model, folder] {
        if (model) {
            host_.publishAlert(QStringLiteral("Couldn’t Open the Folder"),
                               QStringLiteral("No file manager could show the storage folder. "
                                              "It is here:\n%1")
                                   .arg(folder));
        }
    });
}

QCoro::Task<std::optional<Refusal>> StorageUpkeep::backupNow()
{
    // With a storage problem shown the open database may be the very file that failed to
    // load: copying it would replace the last good backup with one that cannot be read either.
    if (host_.guard().blocks(Obstacle::storeUnavailable)) {
        co_return refusalText::storageUnavailable();
    }
    if (model_.restoreStatus().busy || !saved_->pendingMutations.isEmpty()) {
        co_return QStringLiteral("Wait for the current operation before backing up.");
    }
    // The store stays alive for the copy even if a retry replaces it meanwhile.
    std::shared_ptr<LayoutStore> store = store_;
    const Attempt<QString> backup = co_await attempt(&model_, store->backupNow());
    if (backup.succeeded()) {
        status_.set(&StorageStatus::lastBackupURL, *backup.value);
    }
    co_return backup.failure;
}

namespace {

// A read that fails after the store opened leaves the lists shown as they were, usable; the
// caller reports it, and the log keeps it.
template <class T>
QCoro::Task<T> logged(QCoro::Task<T> loading)
{
    try {
        co_return co_await std::move(loading);
    } catch (...) {
        qCWarning(appLog).noquote()
            << "Saved data could not be read:" << descriptionOf(std::current_exception());
        throw;
    }
}

} // namespace

QCoro::Task<bool> StorageUpkeep::reloadLayouts(std::shared_ptr<LayoutStore> store)
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<QList<Layout>> loading = logged(store->loadLayouts());
    QList<Layout> loaded = co_await loading;
    if (!self) {
        co_return false;
    }
    saved_.set(&SavedData::layouts, std::move(loaded));
    co_return true;
}

QCoro::Task<bool> StorageUpkeep::reloadExclusions(std::shared_ptr<LayoutStore> store)
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<QList<AppExclusion>> loading = logged(store->loadExclusions());
    QList<AppExclusion> loaded = co_await loading;
    if (!self) {
        co_return false;
    }
    saved_.set(&SavedData::exclusions, std::move(loaded));
    co_return true;
}

QCoro::Task<void> StorageUpkeep::writeAndReload(std::shared_ptr<LayoutStore> store,
                                                StoreWrite write, StoreReload reload)
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<void> writing = write(*store);
    co_await writing;
    if (!self) {
        co_return;
    }
    QCoro::Task<bool> loading =
        reload == StoreReload::layouts ? reloadLayouts(store) : reloadExclusions(store);
    co_await loading;
}

QCoro::Task<void> StorageUpkeep::closeStore()
{
    std::shared_ptr<LayoutStore> old = std::move(store_);
    if (!old) {
        co_return;
    }
    // The close waits behind what the store is already doing; the store itself goes away here
    // on the main thread, never on its own executor.
    LayoutStore *raw = old.get();
    QCoro::Task<void> closing = raw->executor().run([raw] { raw->database().close(); });
    co_await closing;
}

} // namespace ostrel
