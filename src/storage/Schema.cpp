#include "storage/Schema.h"

#include "storage/ImmediateTransaction.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"
#include "storage/SQLiteStatement.h"

#include <sqlite3.h>

#include <algorithm>

namespace ostrel::Schema {

namespace {

// The whole current schema. Every statement tolerates a file that already holds it, so the
// script can also run over a file that never recorded a version.
const char *const wholeSchema = R"sql(
CREATE TABLE IF NOT EXISTS layouts (
    id TEXT PRIMARY KEY NOT NULL,
    name TEXT NOT NULL COLLATE NOCASE UNIQUE,
    created_at REAL NOT NULL,
    updated_at REAL NOT NULL,
    automation_enabled INTEGER NOT NULL DEFAULT 0,
    automation_topology_signature TEXT,
    shortcut_key_code INTEGER,
    shortcut_modifiers INTEGER
);
CREATE TABLE IF NOT EXISTS displays (
    layout_id TEXT NOT NULL REFERENCES layouts(id) ON DELETE CASCADE,
    display_key TEXT NOT NULL,
    ordinal INTEGER NOT NULL,
    vendor INTEGER NOT NULL,
    model INTEGER NOT NULL,
    serial INTEGER NOT NULL,
    unit INTEGER NOT NULL,
    frame_x REAL NOT NULL,
    frame_y REAL NOT NULL,
    frame_width REAL NOT NULL,
    frame_height REAL NOT NULL,
    visible_x REAL NOT NULL,
    visible_y REAL NOT NULL,
    visible_width REAL NOT NULL,
    visible_height REAL NOT NULL,
    pixel_width INTEGER NOT NULL,
    pixel_height INTEGER NOT NULL,
    scale REAL NOT NULL,
    is_primary INTEGER NOT NULL,
    frame_inferred INTEGER NOT NULL DEFAULT 1,
    PRIMARY KEY (layout_id, display_key),
    CHECK (visible_width > 0 AND visible_height > 0),
    CHECK (frame_width > 0 AND frame_height > 0),
    CHECK (pixel_width > 0 AND pixel_height > 0),
    CHECK (is_primary IN (0, 1)),
    CHECK (frame_inferred IN (0, 1))
);
CREATE TABLE IF NOT EXISTS windows (
    id TEXT PRIMARY KEY NOT NULL,
    layout_id TEXT NOT NULL REFERENCES layouts(id) ON DELETE CASCADE,
    ordinal INTEGER NOT NULL,
    bundle_id TEXT NOT NULL,
    app_name TEXT NOT NULL,
    role TEXT NOT NULL,
    subrole TEXT NOT NULL,
    hostname TEXT,
    display_key TEXT NOT NULL,
    rel_x REAL NOT NULL,
    rel_y REAL NOT NULL,
    rel_width REAL NOT NULL,
    rel_height REAL NOT NULL,
    CHECK (rel_width > 0 AND rel_height > 0),
    CHECK (length(bundle_id) > 0 AND length(app_name) > 0),
    FOREIGN KEY (layout_id, display_key) REFERENCES displays(layout_id, display_key) ON DELETE CASCADE
);
CREATE INDEX IF NOT EXISTS windows_layout_idx ON windows(layout_id, ordinal);
CREATE TABLE IF NOT EXISTS exclusions (
    bundle_id TEXT PRIMARY KEY NOT NULL,
    app_name TEXT NOT NULL,
    created_at REAL NOT NULL,
    CHECK (length(bundle_id) > 0)
);
)sql";

// Version 1 kept only visible frames: each display's whole frame starts as its visible frame.
// Display links made under version 1 cannot be trusted against the new signature, so they go.
const char *const upgradeTo2 = R"sql(
ALTER TABLE displays ADD COLUMN frame_x REAL NOT NULL DEFAULT 0;
ALTER TABLE displays ADD COLUMN frame_y REAL NOT NULL DEFAULT 0;
ALTER TABLE displays ADD COLUMN frame_width REAL NOT NULL DEFAULT 0;
ALTER TABLE displays ADD COLUMN frame_height REAL NOT NULL DEFAULT 0;
UPDATE displays SET frame_x = visible_x, frame_y = visible_y, frame_width = visible_width, frame_height = visible_height WHERE frame_width <= 0 OR frame_height <= 0;
UPDATE layouts SET automation_enabled = 0, automation_topology_signature = NULL WHERE automation_topology_signature IS NOT NULL;
)sql";

// Every display saved before version 3 may carry a frame copied from its visible frame.
const char *const upgradeTo3 = R"sql(
ALTER TABLE displays ADD COLUMN frame_inferred INTEGER NOT NULL DEFAULT 1;
)sql";

// An upgrade records the notices it owes in the table upgrade_notices: the target versions of
// the steps that owe one. The table exists only from such a step's commit until the open that
// gives the notice, so a file this program created never has it.
bool hasOwedNotices(SQLiteDatabase &database)
{
    SQLiteStatement statement(
        database, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'upgrade_notices'");
    return statement.step();
}

// One step is one transaction: its schema change, the notice it owes and its version number
// commit together or not at all, so a file rests only at a version it fully has.
void run(SQLiteDatabase &database, const Step &step)
{
    inImmediateTransaction(database, [&] {
        database.execute(QString::fromUtf8(step.sql));
        if (step.noticeAfter) {
            database.execute(
                QStringLiteral(
                    "CREATE TABLE IF NOT EXISTS upgrade_notices (version INTEGER PRIMARY "
                    "KEY NOT NULL); INSERT OR IGNORE INTO upgrade_notices VALUES (%1);")
                    .arg(step.to));
        }
        database.execute(QStringLiteral("PRAGMA user_version = %1;").arg(step.to));
    });
}

} // namespace

const QList<Step> &steps()
{
    static const QList<Step> all{
        {0, currentVersion, wholeSchema, false, std::nullopt},
        {1, 2, upgradeTo2, true,
         StorageNotice{QStringLiteral("Display links refreshed"),
                       QStringLiteral("Re-link your layouts in Layout details to keep display "
                                      "automation working."),
                       std::nullopt}},
        {2, 3, upgradeTo3, true, std::nullopt},
    };
    return all;
}

bool isNewer(int version)
{
    return version > currentVersion;
}

void requirePlausibleVersion(int version)
{
    if (version < 0 || version > highestPlausibleVersion) {
        throw SQLiteFailure{SQLITE_CORRUPT, SQLITE_CORRUPT,
                            QStringLiteral("The database header holds an impossible schema "
                                           "version, %1.")
                                .arg(version)};
    }
}

void requireLayoutDatabase(SQLiteDatabase &database, int version)
{
    if (version <= 0) {
        throw SQLiteFailure{SQLITE_NOTADB, SQLITE_NOTADB,
                            QStringLiteral("The file has no schema version of Ostrel.")};
    }
    // Every version so far has had these four tables.
    for (const char *table : {"layouts", "displays", "windows", "exclusions"}) {
        SQLiteStatement statement(database,
                                  "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
        statement.bind(1, QString::fromLatin1(table));
        if (!statement.step()) {
            throw SQLiteFailure{SQLITE_NOTADB, SQLITE_NOTADB,
                                QStringLiteral("The file has no table ") + QLatin1String(table)
                                    + QStringLiteral(".")};
        }
    }
}

QList<Step> stepsFrom(int version)
{
    QList<Step> path;
    // A negative version is as good as none: the file gets the whole schema.
    int at = version < 0 ? 0 : version;
    while (at < currentVersion) {
        const auto step = std::find_if(steps().cbegin(), steps().cend(),
                                       [at](const Step &s) { return s.from == at; });
        if (step == steps().cend()) {
            break;
        }
        path.append(*step);
        at = step->to;
    }
    return path;
}

bool needsBackupBeforeUpgrade(int version)
{
    const QList<Step> path = stepsFrom(version);
    return std::any_of(path.cbegin(), path.cend(),
                       [](const Step &step) { return step.backupBefore; });
}

void upgrade(SQLiteDatabase &database, int version)
{
    for (const Step &step : stepsFrom(version)) {
        run(database, step);
    }
}

std::optional<StorageNotice> owedNotice(SQLiteDatabase &database)
{
    if (!hasOwedNotices(database)) {
        return std::nullopt;
    }
    SQLiteStatement owed(database, "SELECT version FROM upgrade_notices ORDER BY version");
    while (owed.step()) {
        const qint64 version = owed.int64(0);
        for (const Step &step : steps()) {
            if (step.to == version && step.noticeAfter) {
                return step.noticeAfter;
            }
        }
    }
    return std::nullopt;
}

void settleOwedNotice(SQLiteDatabase &database)
{
    if (!hasOwedNotices(database)) {
        return;
    }
    inImmediateTransaction(database, [&] {
        database.execute(QStringLiteral("DROP TABLE IF EXISTS upgrade_notices;"));
    });
}

} // namespace ostrel::Schema
