#pragma once

#include <QString>

#include <initializer_list>
#include <optional>

namespace ostrel {

// What can stop an operation before it starts.
enum class Obstacle {
    storageProblem,   // a storage problem is shown
    storeUnavailable, // no store, the store (re)opening, or a storage problem
    permission,       // the window access is not granted
    busy,             // another operation runs
    pendingExclusion, // an exclusion change is being saved
    noDisplays,       // no display could be read
};

// The commands that report a refusal as an alert rather than as a returned text.
enum class RefusedCommand { capture, restore, chooseDisplays, undo, shortcutPress };

struct RefusalAlert {
    QString title;
    QString message;
};

// The model's state as the refusal checks see it, taken at one moment. Each operation names
// the checks it makes in its own order; the first that fails is its refusal, so the order in
// which conditions are reported lives with the operation and the conditions live here.
struct OperationGuard {
    bool storageProblem = false;
    bool storeUnavailable = false;
    bool trusted = true;
    bool busy = false;
    bool pendingExclusion = false;
    bool hasDisplays = true;

    bool blocks(Obstacle obstacle) const;
    std::optional<Obstacle> first(std::initializer_list<Obstacle> checks) const;
};

// The alert a refused command shows, or none where the command refuses without a word. The
// storage problem's own message goes into the alert of a shortcut press.
std::optional<RefusalAlert> refusalAlert(RefusedCommand command, Obstacle obstacle,
                                         const QString &storageMessage = {});

// The texts several edits return when refused.
namespace refusalText {
inline QString storageUnavailable()
{
    return QStringLiteral("Storage is unavailable.");
}
inline QString waitForCurrentOperation()
{
    return QStringLiteral("Wait for the current operation to finish.");
}
inline QString layoutUnavailable()
{
    return QStringLiteral("That layout is no longer available.");
}
} // namespace refusalText

} // namespace ostrel
