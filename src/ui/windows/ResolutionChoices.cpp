#include "ui/windows/ResolutionChoices.h"

#include "ui/windows/CandidateDescription.h"

#include <QStringList>

namespace ostrel {

void ResolutionChoices::reset()
{
    selections.clear();
    skipped.clear();
    errorMessage.reset();
}

std::optional<QUuid> ResolutionChoices::selection(const QUuid &entryID) const
{
    if (const auto it = selections.constFind(entryID); it != selections.cend()) {
        return *it;
    }
    return std::nullopt;
}

void ResolutionChoices::select(const QUuid &entryID, std::optional<QUuid> windowID)
{
    if (windowID) {
        selections.insert(entryID, *windowID);
        skipped.remove(entryID);
    } else {
        selections.remove(entryID);
    }
    errorMessage.reset();
}

void ResolutionChoices::setSkipped(const QUuid &entryID, bool skip)
{
    if (skip) {
        skipped.insert(entryID);
        selections.remove(entryID);
    } else {
        skipped.remove(entryID);
    }
    errorMessage.reset();
}

QSet<QUuid> ResolutionChoices::conflictingEntryIDs(const ResolutionRequest &request) const
{
    QHash<QUuid, QList<QUuid>> entriesByWindow;
    for (const AmbiguousEntry &entry : request.ambiguous) {
        if (const auto chosen = selection(entry.entryID)) {
            entriesByWindow[*chosen].append(entry.entryID);
        }
    }
    QSet<QUuid> conflicting;
    for (const QList<QUuid> &entries : std::as_const(entriesByWindow)) {
        if (entries.size() > 1) {
            conflicting.unite(QSet<QUuid>(entries.cbegin(), entries.cend()));
        }
    }
    return conflicting;
}

bool ResolutionChoices::isComplete(const ResolutionRequest &request) const
{
    for (const AmbiguousEntry &entry : request.ambiguous) {
        if (!selections.contains(entry.entryID) && !skipped.contains(entry.entryID)) {
            return false;
        }
    }
    return true;
}

bool ResolutionChoices::canApply(const ResolutionRequest &request,
                                 std::optional<OperationKind> busy) const
{
    return !busy && conflictingEntryIDs(request).isEmpty() && isComplete(request);
}

QString ResolutionChoices::statusText(const ResolutionRequest &request) const
{
    QStringList parts{
        QStringLiteral("%1 of %2 chosen").arg(selections.size()).arg(request.ambiguous.size())};
    if (!skipped.isEmpty()) {
        parts.append(QStringLiteral("%1 skipped").arg(skipped.size()));
    }
    if (!conflictingEntryIDs(request).isEmpty()) {
        parts.append(QStringLiteral("duplicate choice"));
    }
    return parts.join(QStringLiteral(" · "));
}

std::variant<ResolutionAnswer, QString>
ResolutionChoices::answer(const ResolutionRequest &request) const
{
    if (!conflictingEntryIDs(request).isEmpty()) {
        return QStringLiteral("Choose a different window for each saved window.");
    }
    ResolutionAnswer answer;
    answer.skipped = skipped;
    for (const AmbiguousEntry &entry : request.ambiguous) {
        if (skipped.contains(entry.entryID)) {
            continue;
        }
        const std::optional<QUuid> chosen = selection(entry.entryID);
        const WindowReference *candidate = nullptr;
        if (chosen) {
            for (const WindowReference &reference : entry.candidates) {
                if (reference.id == *chosen) {
                    candidate = &reference;
                    break;
                }
            }
        }
        if (!candidate) {
            return QStringLiteral("Choose a window or skip every saved window.");
        }
        // The request's own reference: the model revalidates it in the second pass.
        answer.choices.insert(entry.entryID, *candidate);
    }
    return answer;
}

QString ResolutionChoices::headerDetail(const std::optional<ResolutionRequest> &request)
{
    if (!request) {
        return QStringLiteral("Restore needs a decision.");
    }
    const qsizetype count = request->ambiguous.size();
    // One pass of substitution: a name holding "%2" stays as it is.
    return QStringLiteral("“%1” · %2 %3 a decision.")
        .arg(request->layoutName, QString::number(count),
             count == 1 ? QStringLiteral("saved window needs")
                        : QStringLiteral("saved windows need"));
}

QString ResolutionChoices::candidatesDetail(qsizetype count)
{
    return QStringLiteral("%1 possible %2")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("window") : QStringLiteral("windows"));
}

QString ResolutionChoices::candidateText(const NumberedCandidate &candidate,
                                         const QList<CurrentDisplay> &displays)
{
    return QStringLiteral("%1. %2 — %3")
        .arg(QString::number(candidate.number), candidate.reference.safeLabel(),
             candidateDescription(candidate.reference, displays));
}

} // namespace ostrel
