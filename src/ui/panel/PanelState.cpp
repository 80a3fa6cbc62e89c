#include "ui/panel/PanelState.h"

#include "app/AppModel.h"

namespace ostrel {

PanelState PanelState::read(const AppModel &model)
{
    PanelState state;
    state.storage = model.storageStatus();
    state.session = model.session();
    state.saved = model.savedData();
    state.settings = model.settings();
    state.restore = model.restoreStatus();
    state.shortcuts = model.shortcutStatus();
    state.selectedLayout = model.selectedLayout();
    state.hasPendingExclusionMutation = state.saved.hasPendingExclusionMutation();
    state.canRestore = model.canRestore();
    state.canCapture = model.canCapture();
    state.canUndo = model.canUndo();
    return state;
}

} // namespace ostrel
