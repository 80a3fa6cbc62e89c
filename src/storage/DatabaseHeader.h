#pragma once

#include "storage/SQLiteFailure.h"

#include <QString>

#include <optional>

namespace ostrel::DatabaseHeader {

// What the first bytes of a database file betray before SQLite reads it, as the damage SQLite
// itself would report: an empty file (SQLite would take it for a new, empty database), or file
// format versions that no SQLite writes (with a write version above 2 SQLite opens the file
// read-only and every later write fails as "readonly"). Nothing for a file that is missing,
// cannot be read or does not begin like a database: SQLite says what is wrong with those.
// Reads the file with a descriptor of its own: never call it while a connection of this
// process holds locks on the file, since closing that descriptor drops them.
std::optional<SQLiteFailure> damage(const QString &path);

} // namespace ostrel::DatabaseHeader
