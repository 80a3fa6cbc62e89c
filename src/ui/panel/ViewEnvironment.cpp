#include "ui/panel/ViewEnvironment.h"

#include "app/AppModel.h"

namespace ostrel {

void ViewEnvironment::setModel(AppModel *value)
{
    model = value;
    if (!model) {
        capture = {};
        edits = {};
        shortcuts = {};
        restores = {};
        storage = {};
        session = {};
        return;
    }
    const AppCoordinators coordinators = model->coordinators();
    capture = {model, &coordinators.capture};
    edits = {model, &coordinators.edits};
    shortcuts = {model, &coordinators.shortcuts};
    restores = {model, &coordinators.restores};
    storage = {model, &coordinators.storage};
    session = {model, &coordinators.session};
}

} // namespace ostrel
