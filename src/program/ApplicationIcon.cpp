#include "program/ApplicationIcon.h"

#include <QDir>
#include <QImageReader>

namespace ostrel::ApplicationIcon {

QIcon icon()
{
    QIcon icon;
    const QDir folder(QStringLiteral(":/application-icon"));
    for (const QString &name : folder.entryList({QStringLiteral("ostrel-*.png")}, QDir::Files)) {
        const QString path = folder.filePath(name);
        icon.addFile(path, QImageReader(path).size());
    }
    return icon;
}

} // namespace ostrel::ApplicationIcon
