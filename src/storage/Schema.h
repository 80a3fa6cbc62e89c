#pragma once

#include "model/StorageNotice.h"

#include <QList>

#include <optional>

namespace ostrel {

class SQLiteDatabase;

// The layout database's schema: the version this program writes, and the ordered steps that
// bring an older file to it with what each step needs around it. Opening, backups, recovery
// and the migration ask it instead of comparing version numbers of their own, so a new step
// written here is taken into account everywhere at once.
namespace Schema {

// PRAGMA user_version of a file this program wrote.
inline constexpr int currentVersion = 3;

struct Step {
    // The version a file has before the step; 0 stands for a file without a schema, which gets
    // the whole current schema in one step.
    int from;
    int to;
    const char *sql;
    // The file as it was is kept as the last-known-good backup before the upgrade starts.
    bool backupBefore;
    // Owed to the user once the step has run, because it changed saved data in a way the user
    // has to act on. The step records the debt in the file in its own transaction, so the
    // notice follows from what is stored: an open cut short after the commit still owes it.
    std::optional<StorageNotice> noticeAfter;
};

// Every step, oldest first.
const QList<Step> &steps();

// Above this, a version was not written by any release, older or later: the schema gains a
// version only when its tables change, and no program reaches a thousand such changes. Such a
// number is a damaged header, not a newer program.
inline constexpr int highestPlausibleVersion = 1000;

// True for a file written by a later version of the program, which this one must not touch.
bool isNewer(int version);

// Throws the damage SQLite would report (SQLITE_CORRUPT) when no release of the program can have
// written this version: a negative one or one above highestPlausibleVersion.
void requirePlausibleVersion(int version);
// Throws SQLITE_NOTADB when a file of this or an older version is not a layout database: it has
// no version at all (every file this program makes gets its schema and version in the same
// commit that makes it), or it lacks one of the program's tables.
void requireLayoutDatabase(SQLiteDatabase &database, int version);
// The steps that bring a file of that version to the current one, in order; none for a current
// or newer file.
QList<Step> stepsFrom(int version);
// Whether the file must be saved as the backup before its upgrade begins.
bool needsBackupBeforeUpgrade(int version);

// Runs the steps from `version` on, each in its own immediate transaction with its version
// number, so a failing step leaves the file at the version it had before that step.
void upgrade(SQLiteDatabase &database, int version);

// The notice that an upgrade of this file still owes the user, if any.
std::optional<StorageNotice> owedNotice(SQLiteDatabase &database);
// Marks what owedNotice() returned as given; afterwards the file holds exactly the current
// schema again.
void settleOwedNotice(SQLiteDatabase &database);

} // namespace Schema

} // namespace ostrel
