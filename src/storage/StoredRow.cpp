#include "storage/StoredRow.h"

#include "model/StorageError.h"
#include "storage/SQLiteStatement.h"

#include <sqlite3.h>

namespace ostrel {

StoredRow::StoredRow(const SQLiteStatement &statement, QString wrongType)
    : statement_(statement)
    , wrongType_(std::move(wrongType))
{
}

void StoredRow::require(int column, int storageClass) const
{
    if (statement_.type(column) != storageClass) {
        throw StorageError::readFailed(wrongType_);
    }
}

QString StoredRow::text(int column) const
{
    require(column, SQLITE_TEXT);
    return statement_.text(column);
}

std::optional<QString> StoredRow::optionalText(int column) const
{
    if (statement_.isNull(column)) {
        return std::nullopt;
    }
    return text(column);
}

qint64 StoredRow::integer(int column) const
{
    require(column, SQLITE_INTEGER);
    return statement_.int64(column);
}

std::optional<qint64> StoredRow::optionalInteger(int column) const
{
    if (statement_.isNull(column)) {
        return std::nullopt;
    }
    return integer(column);
}

double StoredRow::real(int column) const
{
    // A REAL column gives back every number it holds as a float, whole numbers included.
    require(column, SQLITE_FLOAT);
    return statement_.real(column);
}

} // namespace ostrel
