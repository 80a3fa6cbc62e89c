#include "app/EditCoordinator.h"

#include "app/AppLog.h"
#include "app/AppModel.h"
#include "app/Attempt.h"
#include "app/EditHost.h"
#include "app/StorageUpkeep.h"

#include "model/Topology.h"
#include "storage/LayoutStore.h"

#include <QPointer>

#include <cmath>

namespace ostrel {

EditCoordinator::EditCoordinator(Links links)
    : model_(links.model)
    , host_(links.host)
    , saved_(links.saved)
    , requests_(links.requests)
    , storage_(links.storage)
{
}

// --- The edit gate -------------------------------------------------------------------------

std::optional<Refusal> EditCoordinator::beginMutation(const MutationScope &scope)
{
    // While the store (re)opens, nothing may write to it: an edit would reach a store that is
    // about to be replaced.
    if (host_.guard().blocks(Obstacle::storeUnavailable)) {
        return refusalText::storageUnavailable();
    }
    if (saved_->pendingMutations.contains(scope)) {
        return QStringLiteral("That change is already in progress.");
    }
    if (saved_->pendingMutations.contains(MutationScope::reset())) {
        return QStringLiteral("Saved layouts are being reset. Wait for it to finish.");
    }
    if (model_.restoreStatus().busy) {
        return refusalText::waitForCurrentOperation();
    }
    QSet<MutationScope> pending = saved_->pendingMutations;
    pending.insert(scope);
    saved_.set(&SavedData::pendingMutations, std::move(pending));
    return std::nullopt;
}

void EditCoordinator::endMutation(const MutationScope &scope)
{
    if (!saved_->pendingMutations.contains(scope)) {
        return;
    }
    QSet<MutationScope> pending = saved_->pendingMutations;
    pending.remove(scope);
    saved_.set(&SavedData::pendingMutations, std::move(pending));
}

// --- Edits -----------------------------------------------------------------------------------

QCoro::Task<std::optional<Refusal>> EditCoordinator::storeEdit(MutationScope scope,
                                                               StoreWrite write, StoreReload reload)
{
    const Attempt<> outcome = co_await attempt(
        &model_, storage_.writeAndReload(storage_.store(), std::move(write), reload));
    if (outcome.failure) {
        qCWarning(appLog).noquote() << "A change to the saved data failed:" << *outcome.failure;
    }
    if (!outcome.ownerGone) {
        endMutation(scope);
    }
    co_return outcome.failure;
}

std::optional<Refusal> EditCoordinator::exclusionChecks() const
{
    if (!storage_.store()) {
        return refusalText::storageUnavailable();
    }
    if (const std::optional<Obstacle> obstacle =
            host_.guard().first({Obstacle::busy, Obstacle::pendingExclusion})) {
        return *obstacle == Obstacle::busy
            ? QStringLiteral("Wait for the current operation before changing exclusions.")
            : QStringLiteral("Wait for the current exclusion change to finish.");
    }
    return std::nullopt;
}

QCoro::Task<std::optional<Refusal>> EditCoordinator::excludeApp(QString bundleID, QString appName)
{
    if (const std::optional<Refusal> refusal = exclusionChecks()) {
        co_return refusal;
    }
    const MutationScope scope = MutationScope::exclusion(bundleID);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    QPointer<AppModel> self(&model_);
    QCoro::Task<std::optional<Refusal>> editing = storeEdit(
        scope,
        [bundleID, appName](LayoutStore &store) { return store.addExclusion(bundleID, appName); },
        StoreReload::exclusions);
    const std::optional<Refusal> failure = co_await editing;
    if (!self || failure) {
        co_return failure;
    }
    // The waiting capture loses the newly excluded application's windows at once.
    if (requests_->pendingCapture) {
        CapturePreview preview = *requests_->pendingCapture;
        for (auto it = preview.entries.begin(); it != preview.entries.end();) {
            if (it->bundleID == bundleID) {
                preview.references.remove(it->id);
                it = preview.entries.erase(it);
            } else {
                ++it;
            }
        }
        requests_.set(&WindowRequests::pendingCapture, std::move(preview));
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<Refusal>> EditCoordinator::removeExclusion(QString bundleID)
{
    if (const std::optional<Refusal> refusal = exclusionChecks()) {
        co_return refusal;
    }
    const MutationScope scope = MutationScope::exclusion(bundleID);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    QCoro::Task<std::optional<Refusal>> editing = storeEdit(
        scope, [bundleID](LayoutStore &store) { return store.removeExclusion(bundleID); },
        StoreReload::exclusions);
    co_return co_await editing;
}

QCoro::Task<std::optional<Refusal>> EditCoordinator::removeEntry(QUuid layoutID, QUuid entryID)
{
    if (!storage_.store()) {
        co_return refusalText::storageUnavailable();
    }
    if (!model_.savedData().layout(layoutID)) {
        co_return refusalText::layoutUnavailable();
    }
    const MutationScope scope = MutationScope::removeEntry(layoutID, entryID);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    QPointer<AppModel> self(&model_);
    QCoro::Task<std::optional<Refusal>> editing = storeEdit(
        scope,
        [layoutID, entryID](LayoutStore &store) { return store.removeEntry(layoutID, entryID); },
        StoreReload::layouts);
    const std::optional<Refusal> failure = co_await editing;
    if (!self || failure) {
        co_return failure;
    }
    host_.pruneSessionReferences();
    co_return std::nullopt;
}

QCoro::Task<std::optional<Refusal>> EditCoordinator::renameLayout(QUuid id, QString name)
{
    if (!storage_.store()) {
        co_return refusalText::storageUnavailable();
    }
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        co_return QStringLiteral("Enter a layout name.");
    }
    const std::optional<Layout> renamed = model_.savedData().layout(id);
    if (!renamed) {
        co_return refusalText::layoutUnavailable();
    }
    if (renamed->name == trimmed) {
        co_return std::nullopt;
    }
    const MutationScope scope = MutationScope::rename(id);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    QCoro::Task<std::optional<Refusal>> editing = storeEdit(
        scope, [id, trimmed](LayoutStore &store) { return store.renameLayout(id, trimmed); },
        StoreReload::layouts);
    co_return co_await editing;
}

QCoro::Task<std::optional<Refusal>> EditCoordinator::deleteLayout(QUuid id)
{
    if (!storage_.store()) {
        co_return refusalText::storageUnavailable();
    }
    const MutationScope scope = MutationScope::deleteLayout(id);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    QPointer<AppModel> self(&model_);
    QCoro::Task<std::optional<Refusal>> editing = storeEdit(
        scope, [id](LayoutStore &store) { return store.deleteLayout(id); }, StoreReload::layouts);
    const std::optional<Refusal> failure = co_await editing;
    if (!self || failure) {
        co_return failure;
    }
    if (model_.settings().selectedLayoutID == id) {
        host_.setSelectedLayoutID(saved_->layouts.isEmpty()
                                      ? std::nullopt
                                      : std::optional<QUuid>(saved_->layouts.first().id));
    }
    if (requests_->manageLayoutID == id) {
        model_.setManageLayoutID(std::nullopt);
    }
    host_.pruneSessionReferences();
    host_.configureShortcuts();
    co_return std::nullopt;
}

// --- Automation links ------------------------------------------------------------------------

namespace {

// An older layout's displays, whose frames were only inferred, may be linked to the connected
// ones when they are the same displays with the same pixels and (nearly) the same scale.
bool sameDisplaysAgain(const Layout &saved, const QList<CurrentDisplay> &connected)
{
    QSet<QString> connectedKeys;
    for (const CurrentDisplay &display : connected) {
        connectedKeys.insert(display.identity.key());
    }
    if (saved.displayKeys() != connectedKeys) {
        return false;
    }
    for (const DisplaySnapshot &snapshot : saved.displays) {
        const auto match =
            std::find_if(connected.begin(), connected.end(), [&](const CurrentDisplay &display) {
                return display.identity.key() == snapshot.id();
            });
        if (match == connected.end() || match->pixelWidth != snapshot.pixelWidth
            || match->pixelHeight != snapshot.pixelHeight
            || !(std::abs(match->scale - snapshot.scale) <= 0.01)) {
            return false;
        }
    }
    return true;
}

} // namespace

QCoro::Task<std::optional<Refusal>> EditCoordinator::associateAutomation(QUuid layoutID)
{
    const std::optional<Layout> linked = model_.savedData().layout(layoutID);
    if (!linked) {
        co_return refusalText::layoutUnavailable();
    }
    if (!storage_.store()) {
        co_return refusalText::storageUnavailable();
    }
    const MutationScope scope = MutationScope::automation(layoutID);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    const QList<CurrentDisplay> connected = model_.currentDisplays();
    if (connected.isEmpty()) {
        endMutation(scope);
        co_return QStringLiteral("No displays are available.");
    }
    const QString savedSignature = Topology::signature(linked->displays);
    const QString currentSignature = Topology::signature(connected);
    const bool inferred = std::any_of(linked->displays.begin(), linked->displays.end(),
                                      [](const DisplaySnapshot &d) { return d.frameInferred; });
    bool refreshing = inferred;
    if (savedSignature != currentSignature) {
        if (!inferred || !sameDisplaysAgain(*linked, connected)) {
            endMutation(scope);
            co_return QStringLiteral("Connect the original displays, then link this layout.");
        }
        refreshing = true;
    }
    for (const Layout &other : saved_->layouts) {
        if (other.id != layoutID && other.automationEnabled
            && other.automationTopologySignature == currentSignature) {
            endMutation(scope);
            co_return QStringLiteral("“") + other.name
                + QStringLiteral("” is already linked to these displays.");
        }
    }
    StoreWrite write;
    if (refreshing) {
        QList<DisplaySnapshot> snapshots;
        for (const CurrentDisplay &display : connected) {
            DisplaySnapshot snapshot = DisplaySnapshot::fromCurrent(display);
            snapshot.frameInferred = false;
            snapshots.append(snapshot);
        }
        write = [layoutID, snapshots, currentSignature](LayoutStore &store) {
            return store.reassociateAutomation(layoutID, snapshots, currentSignature);
        };
    } else {
        write = [layoutID, currentSignature](LayoutStore &store) {
            return store.updateAutomation(layoutID, true, currentSignature);
        };
    }
    QCoro::Task<std::optional<Refusal>> editing = storeEdit(scope, write, StoreReload::layouts);
    co_return co_await editing;
}

QCoro::Task<std::optional<Refusal>> EditCoordinator::clearAutomation(QUuid layoutID)
{
    if (!storage_.store()) {
        co_return refusalText::storageUnavailable();
    }
    const MutationScope scope = MutationScope::automation(layoutID);
    if (const std::optional<Refusal> refusal = beginMutation(scope)) {
        co_return refusal;
    }
    QCoro::Task<std::optional<Refusal>> editing = storeEdit(
        scope,
        [layoutID](LayoutStore &store) {
            return store.updateAutomation(layoutID, false, std::nullopt);
        },
        StoreReload::layouts);
    co_return co_await editing;
}

QString EditCoordinator::automationDescription(const Layout &described) const
{
    if (!described.automationTopologySignature) {
        const bool inferred = std::any_of(described.displays.begin(), described.displays.end(),
                                          [](const DisplaySnapshot &d) { return d.frameInferred; });
        return inferred ? QStringLiteral("Older layout — link to confirm displays")
                        : QStringLiteral("Not linked");
    }
    return *described.automationTopologySignature == Topology::signature(model_.currentDisplays())
        ? QStringLiteral("Linked to these displays")
        : QStringLiteral("Linked to another display setup");
}

} // namespace ostrel
