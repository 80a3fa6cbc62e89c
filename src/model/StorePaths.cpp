#include "model/StorePaths.h"

#include <QDir>
#include <QStandardPaths>

namespace ostrel {

StorePaths StorePaths::defaultPaths()
{
    return inFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

StorePaths StorePaths::inFolder(const QString &parent)
{
    const QString base = parent.isEmpty() ? QDir::homePath() : parent;
    const QString directory = QDir(base).filePath(QStringLiteral("Ostrel"));
    const QDir folder(directory);
    return {directory, folder.filePath(QStringLiteral("Ostrel.sqlite")),
            folder.filePath(QStringLiteral("Ostrel.backup.sqlite")),
            folder.filePath(QStringLiteral("Ostrel.reset-pending"))};
}

const QStringList &StorePaths::sidecarSuffixes()
{
    static const QStringList suffixes{QStringLiteral("-wal"), QStringLiteral("-shm"),
                                      QStringLiteral("-journal")};
    return suffixes;
}

} // namespace ostrel
