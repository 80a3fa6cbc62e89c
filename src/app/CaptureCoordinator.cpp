#include "app/CaptureCoordinator.h"

#include "app/AppLog.h"
#include "app/AppModel.h"
#include "app/Attempt.h"
#include "app/CaptureHost.h"
#include "app/StorageUpkeep.h"

#include "model/CaptureError.h"
#include "platform/WindowService.h"
#include "storage/ErrorDescription.h"
#include "storage/LayoutStore.h"

#include <QPointer>

#include <exception>

namespace ostrel {

namespace {

const QString replacementUnlinkedNotice =
    QStringLiteral("The display setup changed. Link this layout again in Layout details to use "
                   "automation.");

// What the save button's alert says about a failed capture. The log keeps what happened, most of
// all where the alert can only speak in general terms.
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

CaptureCoordinator::CaptureCoordinator(Links links)
    : model_(links.model)
    , host_(links.host)
    , requests_(links.requests)
    , saved_(links.saved)
    , windows_(links.windows)
    , storage_(links.storage)
{
}

QCoro::Task<bool> CaptureCoordinator::beginSave()
{
    // A storage problem refuses without a word: the panel shows it already.
    if (const std::optional<Obstacle> obstacle =
            host_.guard().first({Obstacle::pendingExclusion, Obstacle::permission, Obstacle::busy,
                                 Obstacle::storageProblem})) {
        host_.publishRefusal(RefusedCommand::capture, *obstacle);
        co_return false;
    }
    if (!storage_.store()) {
        const std::optional<StorageProblem> &problem = model_.storageStatus().storageProblem;
        host_.publishAlert(QStringLiteral("Storage Unavailable"),
                           problem ? problem->message
                                   : QStringLiteral("Saved layouts are not available."));
        co_return false;
    }
    host_.setBusy(OperationKind::capturing);
    const Attempt<CapturePreview> captured = co_await attempt(
        &model_, windows_.capture(model_.currentDisplays(), saved_->excludedBundleIDs(), nullptr));
    if (captured.ownerGone) {
        co_return false;
    }
    if (captured.error) {
        if (isPermissionDenied(captured.error)) {
            host_.permissionLost();
        }
        host_.publishAlert(QStringLiteral("Couldn’t Capture Windows"),
                           captureAlertMessage(captured.error));
        host_.setBusy(std::nullopt);
        co_return false;
    }
    requests_.set(&WindowRequests::pendingCapture, *captured.value);
    host_.setBusy(std::nullopt);
    co_return true;
}

void CaptureCoordinator::discardPendingCapture(const QUuid &id)
{
    if (requests_->pendingCapture && requests_->pendingCapture->id == id) {
        requests_.set(&WindowRequests::pendingCapture, std::nullopt);
    }
}

void CaptureCoordinator::removePendingEntry(const QUuid &entryID)
{
    if (!requests_->pendingCapture) {
        return;
    }
    CapturePreview preview = *requests_->pendingCapture;
    preview.entries.removeIf([&](const WindowEntry &entry) { return entry.id == entryID; });
    preview.references.remove(entryID);
    requests_.set(&WindowRequests::pendingCapture, std::move(preview));
}

QCoro::Task<std::optional<Refusal>> CaptureCoordinator::savePendingLayout(QString name,
                                                                          bool replaceExisting)
{
    if (!storage_.store() || !requests_->pendingCapture) {
        co_return QStringLiteral("No captured windows are available.");
    }
    if (model_.restoreStatus().busy) {
        co_return refusalText::waitForCurrentOperation();
    }
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        co_return QStringLiteral("Enter a layout name.");
    }
    const CapturePreview preview = *requests_->pendingCapture;
    if (preview.entries.isEmpty()) {
        co_return QStringLiteral("A layout needs at least one window.");
    }
    const std::optional<Layout> existing = saved_->layoutNamed(trimmed);
    if (existing && !replaceExisting) {
        co_return QStringLiteral("“") + trimmed
            + QStringLiteral("” already exists. Replace it or choose another name.");
    }

    host_.setBusy(OperationKind::saving);
    const Attempt<QUuid> saved =
        co_await attempt(&model_, writeCapture(storage_.store(), preview, existing, name));
    if (saved.failure) {
        qCWarning(appLog).noquote() << "The layout could not be saved:" << *saved.failure;
    }
    if (saved.ownerGone) {
        co_return saved.failure;
    }
    if (saved.failure) {
        host_.setBusy(std::nullopt);
        co_return saved.failure;
    }
    const QUuid savedID = *saved.value;
    // By identifier: the store may have shortened the name, so a lookup by the typed name
    // could miss the layout just saved.
    model_.selectLayout(savedID);
    host_.rememberReferences(preview.references);
    host_.pruneSessionReferences();
    requests_.set(&WindowRequests::pendingCapture, std::nullopt);
    host_.configureShortcuts();
    host_.setBusy(std::nullopt);
    co_return std::nullopt;
}

QCoro::Task<std::optional<Refusal>> CaptureCoordinator::replaceLayoutWithCurrentWindows(QUuid id)
{
    if (!storage_.store() || !saved_->layout(id)) {
        co_return refusalText::layoutUnavailable();
    }
    if (const std::optional<Obstacle> obstacle = host_.guard().first(
            {Obstacle::permission, Obstacle::busy, Obstacle::pendingExclusion})) {
        switch (*obstacle) {
        case Obstacle::permission:
            co_return QStringLiteral("Accessibility access is needed.");
        case Obstacle::busy:
            co_return refusalText::waitForCurrentOperation();
        default:
            co_return QStringLiteral("Wait for the exclusion change before replacing.");
        }
    }
    // The replacement tests its own conditions, so it enters its scope without the edit gate.
    const MutationScope scope = MutationScope::replace(id);
    if (saved_->pendingMutations.contains(scope)) {
        co_return QStringLiteral("That replacement is already in progress.");
    }
    QSet<MutationScope> pending = saved_->pendingMutations;
    pending.insert(scope);
    saved_.set(&SavedData::pendingMutations, std::move(pending));
    host_.setBusy(OperationKind::saving);

    const Attempt<CapturePreview> captured =
        co_await attempt(&model_, captureOver(storage_.store(), id));
    if (captured.failure) {
        qCWarning(appLog).noquote()
            << "The layout's windows could not be replaced:" << *captured.failure;
    }
    if (captured.ownerGone) {
        co_return captured.failure;
    }
    if (captured.failure) {
        host_.setBusy(std::nullopt);
        host_.endMutation(scope);
        co_return captured.failure;
    }
    const CapturePreview &preview = *captured.value;
    host_.rememberReferences(preview.references);
    host_.pruneSessionReferences();
    host_.configureShortcuts();
    host_.setBusy(std::nullopt);
    host_.endMutation(scope);
    co_return std::nullopt;
}

QCoro::Task<QUuid> CaptureCoordinator::writeCapture(std::shared_ptr<LayoutStore> store,
                                                    CapturePreview preview,
                                                    std::optional<Layout> existing, QString name)
{
    QPointer<AppModel> self(&model_);
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
            host_.publishAutomationNotice(replacementUnlinkedNotice);
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
    QCoro::Task<bool> loadingLayouts = storage_.reloadLayouts(store);
    if (!co_await loadingLayouts) {
        co_return savedID;
    }
    QCoro::Task<bool> loadingExclusions = storage_.reloadExclusions(store);
    co_await loadingExclusions;
    co_return savedID;
}

QCoro::Task<CapturePreview> CaptureCoordinator::captureOver(std::shared_ptr<LayoutStore> store,
                                                            QUuid id)
{
    QPointer<AppModel> self(&model_);
    QCoro::Task<CapturePreview> capturing =
        windows_.capture(model_.currentDisplays(), saved_->excludedBundleIDs(), nullptr);
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
        host_.publishAutomationNotice(replacementUnlinkedNotice);
    }
    QCoro::Task<bool> loading = storage_.reloadLayouts(store);
    co_await loading;
    co_return preview;
}

} // namespace ostrel
