#pragma once

#include "storage/SQLiteDatabase.h"

#include <QString>

#include <type_traits>
#include <utility>

namespace ostrel {

// Runs the body inside "BEGIN IMMEDIATE;" … "COMMIT;". The write lock is taken up front, so a
// busy file fails before anything is changed; a failing begin is thrown as it is. When the body
// or the commit fails, the transaction is rolled back and the first failure is thrown: the
// rollback's own failure would only hide what went wrong. After the commit the log is
// checkpointed into the database file, so that a committed change never waits in the log.
template <class Body>
auto inImmediateTransaction(SQLiteDatabase &database, Body &&body) -> std::invoke_result_t<Body &>
{
    database.execute(QStringLiteral("BEGIN IMMEDIATE;"));
    const auto rollBack = [&database] {
        try {
            database.execute(QStringLiteral("ROLLBACK;"));
        } catch (...) {
        }
    };
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Body &>>) {
            body();
            database.execute(QStringLiteral("COMMIT;"));
            database.checkpoint();
        } else {
            auto result = body();
            database.execute(QStringLiteral("COMMIT;"));
            database.checkpoint();
            return result;
        }
    } catch (...) {
        rollBack();
        throw;
    }
}

} // namespace ostrel
