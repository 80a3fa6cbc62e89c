#pragma once

#include <QString>

#include <optional>

namespace ostrel {

class SQLiteStatement;

// One row of a loader's SELECT, read with the storage class the schema gives each column. SQLite
// keeps whatever class a value arrives with where it cannot convert it, and its column reads
// convert silently: text in a REAL column reads as 0, "12abc" as 12. Here a value of another
// class, or NULL in a required column, is a damaged row and fails the read with readFailed and
// the row's own sentence.
class StoredRow {
public:
    // `wrongType` is the sentence of this table's rows, for example "A window row holds a value
    // of the wrong type.".
    StoredRow(const SQLiteStatement &statement, QString wrongType);

    QString text(int column) const;
    std::optional<QString> optionalText(int column) const;
    qint64 integer(int column) const;
    std::optional<qint64> optionalInteger(int column) const;
    double real(int column) const;

private:
    void require(int column, int storageClass) const;

    const SQLiteStatement &statement_;
    QString wrongType_;
};

} // namespace ostrel
