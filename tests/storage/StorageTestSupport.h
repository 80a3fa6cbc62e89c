#pragma once

#include "model/StorageError.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <iosfwd>

namespace ostrel::test {

// A connection of the test's own, beside whatever the code under test holds open.
SQLiteDatabase openSecondConnection(const QString &path);

// The single value of a one-row, one-column query, as text ("NULL" for NULL).
QString scalar(SQLiteDatabase &database, const char *sql);

// Every row of the query, each as its columns' texts joined by "|" (NULL as "NULL").
QStringList rows(SQLiteDatabase &database, const char *sql);

// Everything a database file holds, read through a separate connection: the schema, the user
// version and every row of every table in a fixed order. Two equal dumps mean the file is
// exactly as it was.
QStringList dump(const QString &path);

template <class F>
SQLiteFailure sqliteFailureOf(F &&operation)
{
    try {
        operation();
    } catch (const SQLiteFailure &failure) {
        return failure;
    }
    ADD_FAILURE() << "no SQLiteFailure was thrown";
    return {};
}

template <class F>
StorageError storageErrorOf(F &&operation)
{
    try {
        operation();
    } catch (const StorageError &error) {
        return error;
    }
    ADD_FAILURE() << "no StorageError was thrown";
    return StorageError::corrupted(QStringLiteral("<none thrown>"));
}

} // namespace ostrel::test

// gtest prints these in failure messages.
void PrintTo(const QString &text, std::ostream *out);

namespace ostrel {
void PrintTo(const StorageError &error, std::ostream *out);
void PrintTo(const SQLiteFailure &failure, std::ostream *out);
} // namespace ostrel
