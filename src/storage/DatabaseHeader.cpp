#include "storage/DatabaseHeader.h"

#include <QFile>

#include <sqlite3.h>

namespace ostrel::DatabaseHeader {

namespace {

constexpr qint64 headerSize = 100;
constexpr int writeVersionOffset = 18;
constexpr int readVersionOffset = 19;

// 1 for a rollback journal, 2 for write-ahead logging; SQLite has never written another.
bool isKnownFormatVersion(char version)
{
    return version == 1 || version == 2;
}

} // namespace

std::optional<SQLiteFailure> damage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray header = file.read(headerSize);
    if (header.isEmpty() && file.size() == 0) {
        return SQLiteFailure{SQLITE_NOTADB, SQLITE_NOTADB,
                             QStringLiteral("The database file is empty.")};
    }
    if (header.size() < headerSize || !header.startsWith(QByteArrayView("SQLite format 3\0", 16))) {
        return std::nullopt;
    }
    if (!isKnownFormatVersion(header[writeVersionOffset])
        || !isKnownFormatVersion(header[readVersionOffset])) {
        return SQLiteFailure{SQLITE_CORRUPT, SQLITE_CORRUPT,
                             QStringLiteral("The database header holds an unknown file format "
                                            "version.")};
    }
    return std::nullopt;
}

} // namespace ostrel::DatabaseHeader
