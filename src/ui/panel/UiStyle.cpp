#include "ui/panel/UiStyle.h"

#include "ui/panel/IndicatorStyle.h"

#include <QApplication>

namespace ostrel {

void UiStyle::install(QApplication &application)
{
    if (qobject_cast<IndicatorStyle *>(application.style())) {
        return;
    }
    application.setStyle(new IndicatorStyle);
}

} // namespace ostrel
