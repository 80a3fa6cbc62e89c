#include "app/SavedData.h"

#include <algorithm>

namespace ostrel {

namespace {

bool hasPending(const QSet<MutationScope> &pending, MutationScope::Kind kind)
{
    return std::any_of(pending.begin(), pending.end(),
                       [kind](const MutationScope &scope) { return scope.kind == kind; });
}

} // namespace

std::optional<Layout> SavedData::layout(const QUuid &id) const
{
    for (const Layout &candidate : layouts) {
        if (candidate.id == id) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<Layout> SavedData::layoutNamed(const QString &name) const
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    for (const Layout &candidate : layouts) {
        if (candidate.name.compare(trimmed, Qt::CaseInsensitive) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

QSet<QString> SavedData::excludedBundleIDs() const
{
    QSet<QString> ids;
    for (const AppExclusion &exclusion : exclusions) {
        ids.insert(exclusion.bundleID);
    }
    return ids;
}

QHash<QUuid, Shortcut> SavedData::perLayoutShortcuts() const
{
    QHash<QUuid, Shortcut> shortcuts;
    for (const Layout &candidate : layouts) {
        if (candidate.shortcut) {
            shortcuts.insert(candidate.id, *candidate.shortcut);
        }
    }
    return shortcuts;
}

bool SavedData::hasPendingExclusionMutation() const
{
    return hasPending(pendingMutations, MutationScope::Kind::exclusion);
}

bool SavedData::hasPendingShortcutMutation() const
{
    return hasPending(pendingMutations, MutationScope::Kind::shortcut);
}

} // namespace ostrel
