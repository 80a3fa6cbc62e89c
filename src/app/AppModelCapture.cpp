#include "app/AppModel.h"

#include "model/CaptureError.h"
#include "storage/ErrorDescription.h"
#include "storage/LayoutStore.h"

#include <QPointer>

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
    } catch (...) {
        return QStringLiteral("Ostrel couldn’t read the open windows. Try again, and check "
                              "Accessibility access if it keeps happening.");
    }
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
    if (!canCapture()) {
        if (hasPendingExclusionMutation()) {
            publishAlert(QStringLiteral("Saving Exclusions"), QStringLiteral("Try again shortly."));
        } else if (!permissionTrusted_) {
            publishAlert(QStringLiteral("Accessibility Access Needed"),
                         QStringLiteral("Allow Ostrel in Privacy & Security → Accessibility, then "
                                        "Recheck."));
        } else if (busy_) {
            publishAlert(QStringLiteral("Operation in Progress"),
                         QStringLiteral("Wait for the current operation, then capture again."));
        }
        co_return false;
    }
    if (!store_) {
        publishAlert(QStringLiteral("Storage Unavailable"),
                     storageProblem_ ? storageProblem_->message
                                     : QStringLiteral("Saved layouts are not available."));
        co_return false;
    }
    setBusy(OperationKind::capturing);
    QPointer<AppModel> self(this);
    std::exception_ptr failure;
    try {
        QCoro::Task<CapturePreview> capturing =
            windowService_->capture(currentDisplays(), excludedBundleIDs(), nullptr);
        CapturePreview preview = co_await capturing;
        if (!self) {
            co_return false;
        }
        setPendingCapture(std::move(preview));
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
        setBusy(std::nullopt);
        co_return false;
    }
    setBusy(std::nullopt);
    co_return true;
}

void AppModel::discardPendingCapture(const QUuid &id)
{
    if (pendingCapture_ && pendingCapture_->id == id) {
        setPendingCapture(std::nullopt);
    }
}

void AppModel::removePendingEntry(const QUuid &entryID)
{
    if (!pendingCapture_) {
        return;
    }
    CapturePreview preview = *pendingCapture_;
    preview.entries.removeIf([&](const WindowEntry &entry) { return entry.id == entryID; });
    preview.references.remove(entryID);
    setPendingCapture(std::move(preview));
}

QCoro::Task<std::optional<QString>> AppModel::savePendingLayout(QString name, bool replaceExisting)
{
    if (!store_ || !pendingCapture_) {
        co_return QStringLiteral("No captured windows are available.");
    }
    if (busy_) {
        co_return QStringLiteral("Wait for the current operation to finish.");
    }
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        co_return QStringLiteral("Enter a layout name.");
    }
    const CapturePreview preview = *pendingCapture_;
    if (preview.entries.isEmpty()) {
        co_return QStringLiteral("A layout needs at least one window.");
    }
    const std::optional<Layout> existing = layoutNamed(trimmed);
    if (existing && !replaceExisting) {
        co_return QStringLiteral("“") + trimmed
            + QStringLiteral("” already exists. Replace it or choose another name.");
    }

    setBusy(OperationKind::saving);
    QPointer<AppModel> self(this);
    std::shared_ptr<LayoutStore> store = store_;
    std::optional<QString> failure;
    QUuid savedID;
    try {
        if (existing) {
            savedID = existing->id;
            QCoro::Task<bool> replacing =
                store->replaceLayoutContent(existing->id, preview.displays, preview.entries);
            const bool unlinked = co_await replacing;
            if (!self) {
                co_return std::nullopt;
            }
            if (unlinked) {
                setAutomationNotice(replacementUnlinkedNotice);
            }
        } else {
            QCoro::Task<Layout> creating =
                store->createLayout(name, preview.displays, preview.entries, std::nullopt);
            const Layout created = co_await creating;
            savedID = created.id;
        }
        QCoro::Task<bool> loadingLayouts = reloadLayouts(store);
        if (!co_await loadingLayouts) {
            co_return std::nullopt;
        }
        QCoro::Task<bool> loadingExclusions = reloadExclusions(store);
        if (!co_await loadingExclusions) {
            co_return std::nullopt;
        }
    } catch (...) {
        failure = descriptionOf(std::current_exception());
    }
    if (!self) {
        co_return failure;
    }
    if (failure) {
        setBusy(std::nullopt);
        co_return failure;
    }
    // By identifier: the store may have shortened the name, so a lookup by the typed name
    // could miss the layout just saved.
    selectLayout(savedID);
    rememberReferences(preview.references);
    pruneSessionReferences();
    setPendingCapture(std::nullopt);
    configureShortcuts();
    setBusy(std::nullopt);
    co_return std::nullopt;
}

QCoro::Task<std::optional<QString>> AppModel::replaceLayoutWithCurrentWindows(QUuid id)
{
    if (!store_ || !layout(id)) {
        co_return QStringLiteral("That layout is no longer available.");
    }
    if (!permissionTrusted_) {
        co_return QStringLiteral("Accessibility access is needed.");
    }
    if (busy_) {
        co_return QStringLiteral("Wait for the current operation to finish.");
    }
    if (hasPendingExclusionMutation()) {
        co_return QStringLiteral("Wait for the exclusion change before replacing.");
    }
    const MutationScope scope = MutationScope::replace(id);
    if (pendingMutations_.contains(scope)) {
        co_return QStringLiteral("That replacement is already in progress.");
    }
    QSet<MutationScope> pending = pendingMutations_;
    pending.insert(scope);
    setPendingMutations(std::move(pending));
    setBusy(OperationKind::saving);

    QPointer<AppModel> self(this);
    std::shared_ptr<LayoutStore> store = store_;
    std::optional<QString> failure;
    CapturePreview preview;
    try {
        QCoro::Task<CapturePreview> capturing =
            windowService_->capture(currentDisplays(), excludedBundleIDs(), nullptr);
        preview = co_await capturing;
        if (!self) {
            co_return std::nullopt;
        }
        QCoro::Task<bool> replacing = store->replaceLayoutContent(id, preview.displays,
                                                                  preview.entries);
        const bool unlinked = co_await replacing;
        if (!self) {
            co_return std::nullopt;
        }
        if (unlinked) {
            setAutomationNotice(replacementUnlinkedNotice);
        }
        QCoro::Task<bool> loading = reloadLayouts(store);
        if (!co_await loading) {
            co_return std::nullopt;
        }
    } catch (...) {
        failure = descriptionOf(std::current_exception());
    }
    if (!self) {
        co_return failure;
    }
    if (failure) {
        setBusy(std::nullopt);
        endMutation(scope);
        co_return failure;
    }
    rememberReferences(preview.references);
    pruneSessionReferences();
    configureShortcuts();
    setBusy(std::nullopt);
    endMutation(scope);
    co_return std::nullopt;
}

} // namespace ostrel
