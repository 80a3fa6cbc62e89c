#include "ui/panel/PanelState.h"

#include "app/AppModel.h"

namespace ostrel {

PanelState PanelState::read(const AppModel &model)
{
    PanelState state;
    state.isBootstrapping = model.isBootstrapping();
    state.storageProblem = model.storageProblem();
    state.permissionTrusted = model.permissionTrusted();
    state.storageNotice = model.storageNotice();
    state.layouts = model.layouts();
    state.selectedLayoutID = model.selectedLayoutID();
    state.busy = model.busy();
    state.progress = model.progress();
    state.lastResult = model.lastResult();
    state.undoInfo = model.undoInfo();
    state.automationNotice = model.automationNotice();
    state.activeGlobalShortcut = model.activeGlobalShortcut();
    state.pendingMutations = model.pendingMutations();
    state.selectedLayout = model.selectedLayout();
    state.hasPendingExclusionMutation = model.hasPendingExclusionMutation();
    state.canRestore = model.canRestore();
    state.canCapture = model.canCapture();
    state.canUndo = model.canUndo();
    return state;
}

} // namespace ostrel
