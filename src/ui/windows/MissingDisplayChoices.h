#pragma once

#include "model/CurrentDisplay.h"
#include "model/MissingDisplayPrompt.h"
#include "model/OperationKind.h"

#include <QHash>
#include <QString>

#include <optional>

namespace ostrel {

// What the user picked in the missing-display prompt: for each missing saved display, the
// connected display to restore onto. It lives as long as the prompt's window, so choices made
// for one prompt carry over to a later prompt that misses the same displays.
struct MissingDisplayChoices {
    QHash<QString, QString> fallbacks; // saved display key → current display key

    // Every missing display without a choice starts on the first connected display; a choice
    // already made is never overwritten.
    void prime(const MissingDisplayPrompt &prompt);

    // The key shown as chosen for a missing display: its choice, else the first connected
    // display's key, else empty.
    QString selection(const MissingDisplay &missing, const MissingDisplayPrompt &prompt) const;
    void choose(const QString &savedDisplayKey, const QString &currentDisplayKey);

    // Restore is possible when there is a connected display, every missing display has a choice
    // among them, and nothing else runs.
    bool canRestore(const MissingDisplayPrompt &prompt, std::optional<OperationKind> busy) const;

    // The choices to confirm: only those of this prompt's missing displays. Choices left from an
    // earlier prompt stay for a later one, but would steer a mapping the user never saw here.
    QHash<QString, QString> confirmed(const MissingDisplayPrompt &prompt) const;

    // A connected display as the prompt lists it, by its position (from 1) and pixel size; the
    // display's name is not shown.
    static QString itemText(qsizetype position, const CurrentDisplay &display);
};

} // namespace ostrel
