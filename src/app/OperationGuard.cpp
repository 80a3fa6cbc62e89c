#include "app/OperationGuard.h"

namespace ostrel {

bool OperationGuard::blocks(Obstacle obstacle) const
{
    switch (obstacle) {
    case Obstacle::storageProblem:
        return storageProblem;
    case Obstacle::storeUnavailable:
        return storeUnavailable;
    case Obstacle::permission:
        return !trusted;
    case Obstacle::busy:
        return busy;
    case Obstacle::pendingExclusion:
        return pendingExclusion;
    case Obstacle::noDisplays:
        return !hasDisplays;
    }
    return false;
}

std::optional<Obstacle> OperationGuard::first(std::initializer_list<Obstacle> checks) const
{
    for (const Obstacle obstacle : checks) {
        if (blocks(obstacle)) {
            return obstacle;
        }
    }
    return std::nullopt;
}

std::optional<RefusalAlert> refusalAlert(RefusedCommand command, Obstacle obstacle,
                                         const QString &storageMessage)
{
    const QString accessNeeded = QStringLiteral("Accessibility Access Needed");
    const QString noDisplays = QStringLiteral("No Displays Available");
    // An exclusion being saved stops every command with the same word.
    if (obstacle == Obstacle::pendingExclusion) {
        return RefusalAlert{QStringLiteral("Saving Exclusions"),
                            QStringLiteral("Try again shortly.")};
    }
    switch (command) {
    case RefusedCommand::capture:
        if (obstacle == Obstacle::permission) {
            return RefusalAlert{accessNeeded,
                                QStringLiteral("Run a window manager that supports EWMH, then "
                                               "Recheck.")};
        }
        if (obstacle == Obstacle::busy) {
            return RefusalAlert{QStringLiteral("Operation in Progress"),
                                QStringLiteral("Wait for the current operation, then capture "
                                               "again.")};
        }
        break;
    case RefusedCommand::restore:
        if (obstacle == Obstacle::permission) {
            return RefusalAlert{accessNeeded,
                                QStringLiteral("Run a window manager that supports EWMH, then "
                                               "choose Recheck.")};
        }
        if (obstacle == Obstacle::noDisplays) {
            return RefusalAlert{noDisplays,
                                QStringLiteral("Ostrel could not read any connected displays.")};
        }
        break;
    case RefusedCommand::chooseDisplays:
        if (obstacle == Obstacle::noDisplays) {
            return RefusalAlert{noDisplays,
                                QStringLiteral("Connect a display before restoring this layout.")};
        }
        break;
    case RefusedCommand::undo:
        break;
    case RefusedCommand::shortcutPress:
        if (obstacle == Obstacle::storageProblem) {
            return RefusalAlert{QStringLiteral("Ostrel Storage Is Unavailable"), storageMessage};
        }
        if (obstacle == Obstacle::permission) {
            return RefusalAlert{accessNeeded,
                                QStringLiteral("Run a window manager that supports EWMH, then "
                                               "retry.")};
        }
        break;
    }
    return std::nullopt;
}

} // namespace ostrel
