#pragma once

#include "model/Layout.h"
#include "model/MutationScope.h"
#include "model/OperationKind.h"
#include "model/RestoreProgress.h"
#include "model/RestoreResult.h"
#include "model/Shortcut.h"
#include "model/StorageNotice.h"
#include "model/StorageProblem.h"
#include "model/UndoInfo.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

class AppModel;

// What the panel shows of the model, read in one go. The model publishes a signal per value
// (also for equal assignments) and none for what it derives from them, so the panel reads this
// once per turn of the event loop after any signal and draws every section from the same copy:
// the derived values can never disagree with the values they come from.
struct PanelState {
    bool isBootstrapping = true;
    std::optional<StorageProblem> storageProblem;
    bool permissionTrusted = false;
    std::optional<StorageNotice> storageNotice;
    QList<Layout> layouts;
    std::optional<QUuid> selectedLayoutID;
    std::optional<OperationKind> busy;
    std::optional<RestoreProgress> progress;
    std::optional<RestoreResult> lastResult;
    std::optional<UndoInfo> undoInfo;
    std::optional<QString> automationNotice;
    std::optional<Shortcut> activeGlobalShortcut;
    QSet<MutationScope> pendingMutations;

    // Derived by the model.
    std::optional<Layout> selectedLayout;
    bool hasPendingExclusionMutation = false;
    bool canRestore = false;
    bool canCapture = false;
    bool canUndo = false;

    static PanelState read(const AppModel &model);

    bool isBusyWith(OperationKind kind) const { return busy == kind; }
    bool isDeleting(const QUuid &layoutID) const
    {
        return pendingMutations.contains(MutationScope::deleteLayout(layoutID));
    }
};

} // namespace ostrel
