#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// The key of one edit in progress. The model keeps the set of pending scopes and refuses an
// edit whose scope is already in it; scopes of different layouts (or entries, or applications)
// are different, so renaming two layouts at once is fine while renaming one twice is not.
struct MutationScope {
    enum class Kind {
        removeEntry,
        shortcut,
        automation, // linking and unlinking share one scope
        rename,
        deleteLayout,
        replace,
        exclusion, // excluding and including again share one scope
        reset,
    };

    Kind kind = Kind::reset;
    std::optional<QUuid> layoutID;
    QUuid entryID;    // removeEntry only
    QString bundleID; // exclusion only; letter case counts

    static MutationScope removeEntry(const QUuid &layout, const QUuid &entry)
    {
        return {Kind::removeEntry, layout, entry, {}};
    }
    static MutationScope shortcut(const std::optional<QUuid> &layout)
    {
        return {Kind::shortcut, layout, {}, {}};
    }
    static MutationScope automation(const QUuid &layout)
    {
        return {Kind::automation, layout, {}, {}};
    }
    static MutationScope rename(const QUuid &layout) { return {Kind::rename, layout, {}, {}}; }
    static MutationScope deleteLayout(const QUuid &layout)
    {
        return {Kind::deleteLayout, layout, {}, {}};
    }
    static MutationScope replace(const QUuid &layout) { return {Kind::replace, layout, {}, {}}; }
    static MutationScope exclusion(const QString &bundleID)
    {
        return {Kind::exclusion, std::nullopt, {}, bundleID};
    }
    static MutationScope reset() { return {Kind::reset, std::nullopt, {}, {}}; }

    friend bool operator==(const MutationScope &, const MutationScope &) = default;
};

inline size_t qHash(const MutationScope &scope, size_t seed = 0) noexcept
{
    return qHashMulti(seed, static_cast<int>(scope.kind), scope.layoutID.has_value(),
                      scope.layoutID.value_or(QUuid()), scope.entryID, scope.bundleID);
}

} // namespace ostrel
