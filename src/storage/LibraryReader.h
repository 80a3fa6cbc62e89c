#pragma once

#include "model/Layout.h"

#include <QList>

#include <optional>

namespace ostrel {

class SQLiteDatabase;

// Reads every layout with its displays and windows in three statements, one per table, and
// puts the rows together in memory: a library of thousands of layouts is read in one pass over
// each table instead of two statements per layout. Repeated texts are held once (TextPool).
//
// It gives exactly what LayoutStore::loadLayouts gives for a sound library, in the same order.
// It names no damage: at the first row it cannot take as it is (a value of the wrong type, a
// rule a row breaks, an order it cannot tell as SQLite would) it gives up and answers nothing,
// and the strict reader, which reads layout by layout, then says which row is wrong and why.
namespace LibraryReader {

// Throws SQLiteFailure when SQLite fails, StorageError readFailed on a closed connection.
std::optional<QList<Layout>> read(SQLiteDatabase &database);

// Whether read() would take every row, found without making the values: for the checks that
// only prove that a file reads. False also where read() would merely give up.
bool check(SQLiteDatabase &database);

} // namespace LibraryReader

} // namespace ostrel
