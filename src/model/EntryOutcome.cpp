#include "model/EntryOutcome.h"

namespace ostrel {

QString rawValue(EntryOutcome outcome)
{
    switch (outcome) {
    case EntryOutcome::restored:
        return QStringLiteral("restored");
    case EntryOutcome::adjusted:
        return QStringLiteral("adjusted");
    case EntryOutcome::notOpen:
        return QStringLiteral("notOpen");
    case EntryOutcome::needsSelection:
        return QStringLiteral("needsSelection");
    case EntryOutcome::excluded:
        return QStringLiteral("excluded");
    case EntryOutcome::failed:
        return QStringLiteral("failed");
    case EntryOutcome::cancelled:
        return QStringLiteral("cancelled");
    case EntryOutcome::deferred:
        return QStringLiteral("deferred");
    case EntryOutcome::skipped:
        return QStringLiteral("skipped");
    }
    return {};
}

template <>
QList<EntryOutcome> allCases<EntryOutcome>()
{
    using O = EntryOutcome;
    return {O::restored, O::adjusted,  O::notOpen,  O::needsSelection, O::excluded,
            O::failed,   O::cancelled, O::deferred, O::skipped};
}

template <>
std::optional<EntryOutcome> fromRawValue<EntryOutcome>(const QString &text)
{
    return findRawValue<EntryOutcome>(text);
}

} // namespace ostrel
