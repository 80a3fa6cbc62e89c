#include "app/AppModel.h"

namespace ostrel {

void AppModel::configureShortcuts()
{
    // The hot keys are registered here once the shortcut service is wired.
}

} // namespace ostrel
