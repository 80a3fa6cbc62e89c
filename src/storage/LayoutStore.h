#pragma once

namespace ostrel {

class SQLiteDatabase;

class LayoutStore {
public:
    // Brings a database of schema version 0, 1 or 2 to version 3, one transaction per step;
    // a failing step leaves the file at the version it had before that step.
    static void migrate(SQLiteDatabase &database, int version);
};

} // namespace ostrel
