#pragma once

#include "model/AmbiguousEntry.h"
#include "model/CurrentDisplay.h"
#include "model/OperationKind.h"
#include "model/ResolutionRequest.h"
#include "model/WindowReference.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>
#include <variant>

namespace ostrel {

// The answer the window-choice dialog hands to the model: the request's own candidate for each
// chosen entry, and every skipped entry.
struct ResolutionAnswer {
    QHash<QUuid, WindowReference> choices;
    QSet<QUuid> skipped;
};

// What the user chose in the window-choice dialog so far: a candidate or a skip per saved
// window, never both, and the last refusal to show. Choices name candidates by their
// reference's identifier, which stays the same when a window is refreshed.
struct ResolutionChoices {
    QHash<QUuid, QUuid> selections; // entry → chosen candidate's reference identifier
    QSet<QUuid> skipped;
    std::optional<QString> errorMessage;

    // A new request starts with nothing chosen, nothing skipped and nothing to complain about.
    void reset();

    std::optional<QUuid> selection(const QUuid &entryID) const;
    // Choosing a window takes back the skip; choosing none only forgets the choice.
    void select(const QUuid &entryID, std::optional<QUuid> windowID);
    bool isSkipped(const QUuid &entryID) const { return skipped.contains(entryID); }
    // Skipping takes back the choice.
    void setSkipped(const QUuid &entryID, bool skip);

    // The entries whose chosen window is also chosen for another entry.
    QSet<QUuid> conflictingEntryIDs(const ResolutionRequest &request) const;
    // Every entry has a choice or is skipped.
    bool isComplete(const ResolutionRequest &request) const;
    bool canApply(const ResolutionRequest &request, std::optional<OperationKind> busy) const;
    // "1 of 3 chosen · 1 skipped · duplicate choice".
    QString statusText(const ResolutionRequest &request) const;

    // The answer for the model, or the dialog's own refusal when the choices are not one
    // candidate or one skip per entry.
    std::variant<ResolutionAnswer, QString> answer(const ResolutionRequest &request) const;

    // The introduction's line: "“Work” · 3 saved windows need a decision.".
    static QString headerDetail(const std::optional<ResolutionRequest> &request);
    // An entry section's line: "2 possible windows".
    static QString candidatesDetail(qsizetype count);
    // A candidate's radio text: "2. Notes — Display 1 · 300 × 200".
    static QString candidateText(const NumberedCandidate &candidate,
                                 const QList<CurrentDisplay> &displays);
};

} // namespace ostrel
