#pragma once

#include "app/Published.h"
#include "app/Refusal.h"
#include "app/SavedData.h"
#include "app/StoreWrite.h"
#include "app/WindowRequests.h"
#include "model/Layout.h"
#include "model/MutationScope.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

class AppModel;
class EditHost;
class StorageUpkeep;

// The model's edits of saved data: excluding applications and taking them off the list,
// removing a saved window, renaming and deleting a layout, and linking a layout to the display
// setup connected now. It keeps the edit gate that every edit of the store passes (the other
// coordinators reach it through their hosts), so that edits never overlap each other, a running
// operation or a reset. Each edit tests its own conditions, passes the gate, writes once, reloads
// what it changed, and leaves the gate on every path; a refusal comes back as the text to show.
// It lives exactly as long as the model, so its coroutines look at the model before they touch
// anything after an await.
class EditCoordinator {
public:
    struct Links {
        AppModel &model; // read through its public face
        EditHost &host;
        Published<SavedData> &saved;
        Published<WindowRequests> &requests;
        StorageUpkeep &storage;
    };

    explicit EditCoordinator(Links links);
    EditCoordinator(const EditCoordinator &) = delete;
    EditCoordinator &operator=(const EditCoordinator &) = delete;

    [[nodiscard]] QCoro::Task<std::optional<Refusal>> excludeApp(QString bundleID, QString appName);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> removeExclusion(QString bundleID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> removeEntry(QUuid layoutID, QUuid entryID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> renameLayout(QUuid id, QString name);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> deleteLayout(QUuid id);

    // Automation links.
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> associateAutomation(QUuid layoutID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> clearAutomation(QUuid layoutID);
    QString automationDescription(const Layout &layout) const;

    // The common edit gate: none lets the edit go ahead with its scope now pending.
    [[nodiscard]] std::optional<Refusal> beginMutation(const MutationScope &scope);
    void endMutation(const MutationScope &scope);

private:
    // One store write behind the gate, then a reload of what it changed; the scope ends on
    // every path. A failed write refuses with the error's text.
    [[nodiscard]] QCoro::Task<std::optional<Refusal>>
    storeEdit(MutationScope scope, StoreWrite write, StoreReload reload);
    std::optional<Refusal> exclusionChecks() const;

    AppModel &model_;
    EditHost &host_;
    Published<SavedData> &saved_;
    Published<WindowRequests> &requests_;
    StorageUpkeep &storage_;
};

} // namespace ostrel
