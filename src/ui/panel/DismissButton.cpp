#include "ui/panel/DismissButton.h"

namespace ostrel {

DismissButton::DismissButton(const QString &accessibleName, QWidget *parent)
    : PanelButton(QString(), Look::plain, ControlSize::small, parent)
{
    setSymbol(QStringLiteral("xmark"), 9.5, QFont::DemiBold);
    setContentPadding({3, 3, 3, 3});
    setAccessibleName(accessibleName);
}

} // namespace ostrel
