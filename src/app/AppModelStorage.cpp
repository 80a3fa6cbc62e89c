#include "app/AppModel.h"

#include "model/Preferences.h"
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
            return {couldNotOpen, QStringLiteral("Check that the storage folder is available and "
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

QCoro::Task<void> AppModel::bootstrap()
{
    if (storeOpening_) {
        co_return;
    }
    storeOpening_ = true;
    setIsBootstrapping(true);
    setStorageProblem(std::nullopt);
    QPointer<AppModel> self(this);

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
        setStorePaths(opened.paths);
        setStorageNotice(opened.notice);
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
        presentStorageProblem(failure);
        storeOpening_ = false;
        setIsBootstrapping(false);
        co_return;
    }

    const std::optional<QUuid> remembered = Preferences::selectedLayoutID();
    if (remembered && layout(*remembered)) {
        setSelectedLayoutID(remembered);
    } else if (!layouts_.isEmpty()) {
        setSelectedLayoutID(layouts_.first().id);
    } else {
        setSelectedLayoutID(std::nullopt);
    }

    QCoro::Task<bool> refreshing = refreshPermissionAndUndoInfo();
    if (!co_await refreshing) {
        co_return;
    }
    pruneSessionReferences();
    configureShortcuts();
    updateSessionEligibility();
    storeOpening_ = false;
    setIsBootstrapping(false);
}

void AppModel::presentStorageProblem(std::exception_ptr error)
{
    setStorePaths(environment_.defaultStorePaths);
    const ProblemText text = problemText(error);
    setStorageProblem(StorageProblem{QUuid::createUuid(), text.title, text.message,
                                     environment_.defaultStorePaths.database,
                                     environment_.defaultStorePaths.backup, true,
                                     descriptionOf(error)});
}

void AppModel::retryStorage()
{
    setStorageProblem(std::nullopt);
    bootstrapTask_.emplace(bootstrap());
}

void AppModel::revealStorageFolder()
{
    const QString folder = storePaths_.directory;
    if (!folder.isEmpty() && QFileInfo::exists(folder) && environment_.revealFolder) {
        environment_.revealFolder(folder);
    }
}

QCoro::Task<bool> AppModel::reloadLayouts(std::shared_ptr<LayoutStore> store)
{
    QPointer<AppModel> self(this);
    QCoro::Task<QList<Layout>> loading = store->loadLayouts();
    QList<Layout> loaded = co_await loading;
    if (!self) {
        co_return false;
    }
    setLayouts(std::move(loaded));
    co_return true;
}

QCoro::Task<bool> AppModel::reloadExclusions(std::shared_ptr<LayoutStore> store)
{
    QPointer<AppModel> self(this);
    QCoro::Task<QList<AppExclusion>> loading = store->loadExclusions();
    QList<AppExclusion> loaded = co_await loading;
    if (!self) {
        co_return false;
    }
    setExclusions(std::move(loaded));
    co_return true;
}

QCoro::Task<void> AppModel::closeStore()
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
