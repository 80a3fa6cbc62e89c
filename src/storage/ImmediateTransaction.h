#pragma once

#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteFailure.h"
#include "storage/StorageLog.h"

#include <QString>

#include <type_traits>
#include <utility>

namespace ostrel {

// A refusal of the database itself (busy, full, read-only, damaged) is logged: the user sees only
// that the edit failed. The store's own refusals (a taken name, a vanished layout) are not.
inline void logUnlandedWrite(const SQLiteFailure &failure)
{
    qCWarning(storageLog).noquote()
        << "A write to the database did not land:" << failure.described();
}

// Runs the body inside "BEGIN IMMEDIATE;" … "COMMIT;". The write lock is taken up front, so a
// busy file fails before anything is changed; a failing begin is thrown as it is. When the body
// or the commit fails, the transaction is rolled back and the first failure is thrown: the
// rollback's own failure would only hide what went wrong. After the commit the log is
// checkpointed into the database file, so that a committed change never waits in the log.
template <class Body>
auto inImmediateTransaction(SQLiteDatabase &database, Body &&body) -> std::invoke_result_t<Body &>
{
    try {
        database.execute(QStringLiteral("BEGIN IMMEDIATE;"));
    } catch (const SQLiteFailure &failure) {
        logUnlandedWrite(failure);
        throw;
    }
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
    } catch (const SQLiteFailure &failure) {
        rollBack();
        logUnlandedWrite(failure);
        throw;
    } catch (...) {
        rollBack();
        throw;
    }
}

} // namespace ostrel
