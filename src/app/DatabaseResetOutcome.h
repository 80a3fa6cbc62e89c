#pragma once

#include <QString>

namespace ostrel {

// What a reset of saved data came to, for the settings window to tell the user.
struct DatabaseResetOutcome {
    enum class Kind {
        cleared,            // everything was removed and every step after it succeeded
        clearedWithWarning, // removed, but a cleanup step of the store failed (the text says which)
        failed,             // refused or thrown before anything was removed (the text says why)
    };

    Kind kind = Kind::cleared;
    QString text; // empty for cleared

    static DatabaseResetOutcome cleared() { return {Kind::cleared, {}}; }
    static DatabaseResetOutcome clearedWithWarning(const QString &warning)
    {
        return {Kind::clearedWithWarning, warning};
    }
    static DatabaseResetOutcome failed(const QString &reason) { return {Kind::failed, reason}; }

    friend bool operator==(const DatabaseResetOutcome &, const DatabaseResetOutcome &) = default;
};

} // namespace ostrel
