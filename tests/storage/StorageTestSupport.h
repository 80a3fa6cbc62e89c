#pragma once

#include "Printing.h"

#include "model/DisplaySnapshot.h"
#include "model/StorageError.h"
#include "model/WindowEntry.h"
#include "storage/LayoutStore.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

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

// Changes one byte of an index entry on disk, as a flipped bit would: in the entry that sorts
// last, the last byte of `key` becomes 'Z', so the entry no longer points at its row's value.
// The index must fit one page and the file must not be in write-ahead mode. Every page still
// parses: SQLite's quick check passes, and reads through the index then miss the row.
void damageIndexEntry(const QString &path, const char *index, const QByteArray &key);

// The tables as the first released version wrote them (displays without whole frames), with
// one layout "Desk" linked to its display, one display and one window. `extraDisplayColumn`
// plants a column that a later upgrade step will try to add again, which makes exactly that
// step fail.
QString version1Schema(const QString &extraDisplayColumn = {});
// Turns a version-1 file into a version-2 file that keeps its links.
extern const char *const version2Upgrade;

// A display of vendor 16, model 32 with the given serial and unit, 1920 × 1080 points placed at
// x, its visible frame 25 points shorter at the top.
DisplaySnapshot sampleDisplay(quint32 serial, quint32 unit, bool primary, double x = 0);
WindowEntry sampleEntry(const DisplaySnapshot &display, const QString &appName,
                        double relativeX = 0.1);

// A store on a fresh version-3 database file in a temporary folder, with a clock that moves
// one second forward at every reading, starting at 2024-01-01 00:00:00 UTC.
struct StoreTest : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Ostrel.sqlite"));
    std::unique_ptr<LayoutStore> store;
    qint64 clockSeconds = 1704067200;

    void SetUp() override;
    void openStore(int busyTimeoutMilliseconds = 2000,
                   SQLiteJournalPolicy journalPolicy = SQLiteJournalPolicy::wal);
    QDateTime lastTick() const;
    // A layout saved through the store, with the given displays and windows on them.
    Layout saveLayout(const QString &name, const QList<DisplaySnapshot> &displays,
                      const QList<WindowEntry> &entries);
    Layout saveSampleLayout(const QString &name, int windowCount = 3);
};

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
namespace ostrel {
void PrintTo(const StorageError &error, std::ostream *out);
void PrintTo(const SQLiteFailure &failure, std::ostream *out);
} // namespace ostrel
