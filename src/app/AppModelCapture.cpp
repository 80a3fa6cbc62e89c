#include "app/AppModel.h"

#include "app/AppLog.h"
#include "app/Attempt.h"
#include "app/StorageUpkeep.h"

#include "model/CaptureError.h"
#include "storage/ErrorDescription.h"
#include "storage/LayoutStore.h"

#include <QPointer>

#include <exception>

namespace ostrel {

namespace {

const QString replacementUnlinkedNotice =
    QStringLiteral("The display setup changed. Link this layout again in Layout details to use "
                   "automation.");

// What the save button's alert says about a failed capture.
QString captureAlertMessage(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const CaptureError &capture) {
        return capture.errorDescription();
    } catch (const std::exception &other) {
        // Not a failure the capture knows how to name: the alert stays general, the log keeps it.
        qCWarning(appLog) << "Reading the open windows failed unexpectedly:" << other.what();
    } catch (...) {
        qCWarning(appLog, "Reading the open windows failed unexpectedly.");
    }
    return QStringLiteral("Ostrel couldn’t read the open windows. Try again, and check "
                          "Accessibility access if it keeps happening.");
}

bool isPermissionDenied(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const CaptureError &capture) {
        return capture.kind() == CaptureError::Kind::permissionDenied;
    } catch (...) {
        return false;
    }
}

} // namespace

QCoro::Task<bool> AppModel::beginSave()
{
    // A storage problem refuses without a word: the panel shows it already.
    if (const std::optional<Obstacle> obstacle =
            guard().first({Obstacle::pendingExclusion, Obstacle::permission, Obstacle::busy,
                           Obstacle::storageProblem})) {
        publishRefusal(RefusedCommand::capture, *obstacle);
        co_return false;
    }
    if (!storage_->store()) {
        publishAlert(QStringLiteral("Storage Unavailable"),
                     storageStatus_->storageProblem
                         ? storageStatus_->storageProblem->message
                         : QStringLiteral("Saved layouts are not available."));
        co_return false;
    }
    restoreStatus_.set(&RestoreStatus::busy, OperationKind::capturing);
    QPointer<AppModel> self(this);
    std::exception_ptr failure;
    try {
        QCoro::Task<CapturePreview> capturing =
            windowService_->capture(currentDisplays(), excludedBundleIDs(), nullptr);
        CapturePreview preview = co_await capturing;
        if (!self) {
            co_return false;
        }
        windowRequests_.set(&WindowRequests::pendingCapture, std::move(preview));
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) {
        co_return false;
    }
    if (failure) {
        if (isPermissionDenied(failure)) {
            setPermissionTrusted(false);
        }
        publishAlert(QStringLiteral("Couldn’t Capture Windows"), captureAlertMessage(failure));
        restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
        co_return false;
    }
    restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
    co_return true;
}

void AppModel::discardPendingCapture(const QUuid &id)
{
    if (windowRequests_->pendingCapture && windowRequests_->pendingCapture->id == id) {
        windowRequests_.set(&WindowRequests::pendingCapture, std::nullopt);
    }
}

void AppModel::removePendingEntry(const QUuid &entryID)
{
    if (!windowRequests_->pendingCapture) {
        return;
    }
    CapturePreview preview = *windowRequests_->pendingCapture;
    preview.entries.removeIf([&](const WindowEntry &entry) { return entry.id == entryID; });
    preview.references.remove(entryID);
    windowRequests_.set(&WindowRequests::pendingCapture, std::move(preview));
}

QCoro::Task<std::optional<Refusal>> AppModel::savePendingLayout(QString name, bool replaceExisting)
{
    if (!storage_->store() || !windowRequests_->pendingCapture) {
        co_return QStringLiteral("No captured windows are available.");
    }
    if (restoreStatus_->busy) {
        co_return refusalText::waitForCurrentOperation();
    }
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        co_return QStringLiteral("Enter a layout name.");
    }
    const CapturePreview preview = *windowRequests_->pendingCapture;
    if (preview.entries.isEmpty()) {
        co_return QStringLiteral("A layout needs at least one window.");
    }
    const std::optional<Layout> existing = layoutNamed(trimmed);
    if (existing && !replaceExisting) {
        co_return QStringLiteral("“") + trimmed
            + QStringLiteral("” already exists. Replace it or choose another name.");
    }

    restoreStatus_.set(&RestoreStatus::busy, OperationKind::saving);
    const Attempt<QUuid> saved =
        co_await attempt(this, writeCapture(storage_->store(), preview, existing, name));
    if (saved.ownerGone) {
        co_return saved.failure;
    }
    if (saved.failure) {
        restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
        co_return saved.failure;
    }
    const QUuid savedID = *saved.value;
    // By identifier: the store may have shortened the name, so a lookup by the typed name
    // could miss the layout just saved.
    selectLayout(savedID);
    rememberReferences(preview.references);
    pruneSessionReferences();
    windowRequests_.set(&WindowRequests::pendingCapture, std::nullopt);
    configureShortcuts();
    restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
    co_return std::nullopt;
}

QCoro::Task<std::optional<Refusal>> AppModel::replaceLayoutWithCurrentWindows(QUuid id)
{
    if (!storage_->store() || !layout(id)) {
        co_return refusalText::layoutUnavailable();
    }
    if (const std::optional<Obstacle> obstacle =
            guard().first({Obstacle::permission, Obstacle::busy, Obstacle::pendingExclusion})) {
        switch (*obstacle) {
        case Obstacle::permission:
            co_return QStringLiteral("Accessibility access is needed.");
        case Obstacle::busy:
            co_return refusalText::waitForCurrentOperation();
        default:
            co_return QStringLiteral("Wait for the exclusion change before replacing.");
        }
    }
    const MutationScope scope = MutationScope::replace(id);
    if (savedData_->pendingMutations.contains(scope)) {
        co_return QStringLiteral("That replacement is already in progress.");
    }
    QSet<MutationScope> pending = savedData_->pendingMutations;
    pending.insert(scope);
    savedData_.set(&SavedData::pendingMutations, std::move(pending));
    restoreStatus_.set(&RestoreStatus::busy, OperationKind::saving);

    const Attempt<CapturePreview> captured =
        co_await attempt(this, captureOver(storage_->store(), id));
    if (captured.ownerGone) {
        co_return captured.failure;
    }
    if (captured.failure) {
        restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
        endMutation(scope);
        co_return captured.failure;
    }
    const CapturePreview &preview = *captured.value;
    rememberReferences(preview.references);
    pruneSessionReferences();
    configureShortcuts();
    restoreStatus_.set(&RestoreStatus::busy, std::nullopt);
    endMutation(scope);
    co_return std::nullopt;
}

QCoro::Task<QUuid> AppModel::writeCapture(std::shared_ptr<LayoutStore> store,
                                          CapturePreview preview, std::optional<Layout> existing,
                                          QString name)
{
    QPointer<AppModel> self(this);
    QUuid savedID;
    if (existing) {
        savedID = existing->id;
        QCoro::Task<bool> replacing =
            store->replaceLayoutContent(existing->id, preview.displays, preview.entries);
        const bool unlinked = co_await replacing;
        if (!self) {
            co_return savedID;
        }
        if (unlinked) {
            session_.set(&SessionStatus::automationNotice, replacementUnlinkedNotice);
        }
    } else {
        QCoro::Task<Layout> creating =
            store->createLayout(name, preview.displays, preview.entries, std::nullopt);
        const Layout created = co_await creating;
        savedID = created.id;
        if (!self) {
            co_return savedID;
        }
    }
    QCoro::Task<bool> loadingLayouts = storage_->reloadLayouts(store);
    if (!co_await loadingLayouts) {
        co_return savedID;
    }
    QCoro::Task<bool> loadingExclusions = storage_->reloadExclusions(store);
    co_await loadingExclusions;
    co_return savedID;
}

QCoro::Task<CapturePreview> AppModel::captureOver(std::shared_ptr<LayoutStore> store, QUuid id)
{
    QPointer<AppModel> self(this);
    QCoro::Task<CapturePreview> capturing =
        windowService_->capture(currentDisplays(), excludedBundleIDs(), nullptr);
    CapturePreview preview = co_await capturing;
    if (!self) {
        co_return preview;
    }
    QCoro::Task<bool> replacing =
        store->replaceLayoutContent(id, preview.displays, preview.entries);
    const bool unlinked = co_await replacing;
    if (!self) {
        co_return preview;
    }
    if (unlinked) {
        session_.set(&SessionStatus::automationNotice, replacementUnlinkedNotice);
    }
    QCoro::Task<bool> loading = storage_->reloadLayouts(store);
    co_await loading;
    co_return preview;
}

} // namespace ostrel
