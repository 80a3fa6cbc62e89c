#include "program/PlaceholderSettingsContent.h"

#include "ui/panel/AppAppearance.h"

namespace ostrel {

PlaceholderSettingsContent::PlaceholderSettingsContent(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("settings-window"));
    setAutoFillBackground(true);
    AppAppearance::attach(this, environment);
}

} // namespace ostrel
