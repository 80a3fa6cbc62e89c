#pragma once

#include "app/AppSettings.h"
#include "app/RestoreStatus.h"
#include "app/SavedData.h"
#include "app/SessionStatus.h"
#include "app/ShortcutStatus.h"
#include "app/StorageStatus.h"
#include "model/Layout.h"
#include "model/MutationScope.h"
#include "model/OperationKind.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

class AppModel;

// What the panel shows of the model, read in one go: the groups it draws from, and what the model
// derives from them. The model has no signal for what it derives, so the panel reads this once
// per turn of the event loop after any of the groups changed and draws every section from the
// same copy: the derived values can never disagree with the values they come from.
struct PanelState {
    StorageStatus storage;
    SessionStatus session;
    SavedData saved;
    AppSettings settings;
    RestoreStatus restore;
    ShortcutStatus shortcuts;

    // Derived by the model.
    std::optional<Layout> selectedLayout;
    bool hasPendingExclusionMutation = false;
    bool canRestore = false;
    bool canCapture = false;
    bool canUndo = false;

    static PanelState read(const AppModel &model);

    bool isBusyWith(OperationKind kind) const { return restore.busy == kind; }
    bool isDeleting(const QUuid &layoutID) const
    {
        return saved.pendingMutations.contains(MutationScope::deleteLayout(layoutID));
    }
};

} // namespace ostrel
