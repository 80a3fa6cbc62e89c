#include "ui/panel/AppAppearance.h"

#include "app/AppModel.h"
#include "platform/AppearancePalettes.h"
#include "platform/SystemAppearanceObserver.h"
#include "ui/panel/ViewEnvironment.h"

#include <QWidget>

namespace ostrel {

AppAppearance *AppAppearance::attach(QWidget *window, const ViewEnvironment &environment)
{
    if (AppAppearance *existing = of(window)) {
        return existing;
    }
    return new AppAppearance(window, environment.model, environment.systemAppearance);
}

AppAppearance *AppAppearance::of(const QWidget *window)
{
    return window ? window->findChild<AppAppearance *>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

bool AppAppearance::resolvesDark(AppearancePreference preference, bool systemIsDark)
{
    switch (preference) {
    case AppearancePreference::light:
        return false;
    case AppearancePreference::dark:
        return true;
    case AppearancePreference::system:
        return systemIsDark;
    }
    return systemIsDark;
}

AppAppearance::AppAppearance(QWidget *window, AppModel *model, SystemAppearanceObserver *observer)
    : QObject(window)
    , window_(window)
    , model_(model)
    , observer_(observer)
{
    if (model) {
        connect(model, &AppModel::settingsChanged, this, &AppAppearance::apply);
    }
    if (observer) {
        connect(observer, &SystemAppearanceObserver::isDarkChanged, this, &AppAppearance::apply);
    }
    apply();
}

void AppAppearance::apply()
{
    const AppearancePreference preference =
        model_ ? model_->settings().appearance : AppearancePreference::system;
    const bool dark = resolvesDark(preference, observer_ && observer_->isDark());
    if (applied_ == dark) {
        return;
    }
    applied_ = dark;
    // Children that set no palette of their own inherit it, and everything reads its colours
    // from the palette at paint time, so this one write repaints the whole window.
    window_->setPalette(AppearancePalettes::forDark(dark));
}

} // namespace ostrel
