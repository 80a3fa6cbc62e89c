#include "ui/panel/UiStyle.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace ostrel {

void UiStyle::install(QApplication &application)
{
    const QString fusion = QStringLiteral("Fusion");
    if (QStyle *current = application.style();
        current && current->name().compare(fusion, Qt::CaseInsensitive) == 0) {
        return;
    }
    if (QStyle *style = QStyleFactory::create(fusion)) {
        application.setStyle(style);
    }
}

} // namespace ostrel
