#include "ui/windows/DecisionWindows.h"

#include "app/WindowPresenter.h"
#include "ui/windows/LayoutChooserView.h"
#include "ui/windows/MissingDisplayView.h"
#include "ui/windows/WindowResolutionView.h"

namespace ostrel {

void registerDecisionWindows(WindowPresenter &presenter, const ViewEnvironment &environment)
{
    presenter.setContentFactory(QString(WindowID::missingDisplays), [environment]() -> QWidget * {
        return new MissingDisplayView(environment);
    });
    presenter.setContentFactory(QString(WindowID::resolution), [environment]() -> QWidget * {
        return new WindowResolutionView(environment);
    });
    presenter.setContentFactory(QString(WindowID::chooser), [environment]() -> QWidget * {
        return new LayoutChooserView(environment);
    });
}

} // namespace ostrel
