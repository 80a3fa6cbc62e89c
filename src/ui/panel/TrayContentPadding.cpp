#include "ui/panel/TrayContentPadding.h"

#include <QLayout>

namespace ostrel {

QMargins trayContentPadding(int vertical)
{
    return QMargins(12, vertical, 12, vertical);
}

void trayContentPadding(QLayout *layout, int vertical)
{
    layout->setContentsMargins(trayContentPadding(vertical));
}

} // namespace ostrel
