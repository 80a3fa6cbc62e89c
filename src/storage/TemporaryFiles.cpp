#include "storage/TemporaryFiles.h"

#include "storage/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace ostrel {

namespace {

QString prefixFor(const QString &target)
{
    return QFileInfo(target).fileName() + QStringLiteral(".tmp-");
}

} // namespace

QString temporaryPathFor(const QString &target)
{
    return QFileInfo(target).dir().filePath(
        prefixFor(target) + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

void removeStaleTemporaries(FileSystem &files, const QString &target)
{
    const QDir folder = QFileInfo(target).dir();
    const QString prefix = prefixFor(target);
    for (const QString &name : files.entries(folder.path())) {
        if (name.startsWith(prefix)) {
            files.unlink(folder.filePath(name));
        }
    }
}

} // namespace ostrel
