#include "restore/MatchingService.h"

#include "model/AXWindowIdentity.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>

namespace ostrel {

namespace {

AXWindowIdentity identityOf(const WindowReference &window)
{
    return window.identity();
}

bool canonicallyEqual(const QString &a, const QString &b)
{
    return a == b
        || a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

bool hasText(const std::optional<QString> &text)
{
    return text && !text->isEmpty();
}

bool sameHost(const WindowEntry &entry, const WindowReference &window)
{
    if (!hasText(entry.hostname) || !hasText(window.hostname)) {
        return false;
    }
    return QString::compare(entry.hostname->normalized(QString::NormalizationForm_C),
                            window.hostname->normalized(QString::NormalizationForm_C),
                            Qt::CaseInsensitive)
        == 0;
}

// The items the predicate keeps, in their order.
template <class T, class Keep>
QList<T> keepIf(const QList<T> &items, Keep keep)
{
    QList<T> kept;
    std::copy_if(items.begin(), items.end(), std::back_inserter(kept), keep);
    return kept;
}

using Predicate = std::function<bool(const WindowEntry &, const WindowReference &)>;

// One pass of the sole-claimant rule: an entry takes a window only when that window is the
// only free one it could take and no other unmatched entry of the pass could take it too.
void assignUnique(const QList<WindowEntry> &entries, const QList<WindowReference> &windows,
                  const Predicate &accepts, QHash<QUuid, WindowReference> &matches,
                  QSet<AXWindowIdentity> &usedWindows)
{
    if (entries.isEmpty()) {
        return;
    }
    const QList<WindowReference> free = keepIf(
        windows, [&](const WindowReference &w) { return !usedWindows.contains(identityOf(w)); });
    QList<QList<WindowReference>> lists;
    lists.reserve(entries.size());
    for (const WindowEntry &entry : entries) {
        lists.append(keepIf(free, [&](const WindowReference &w) { return accepts(entry, w); }));
    }

    const auto soleClaimant = [&](const AXWindowIdentity &window, qsizetype self) {
        for (qsizetype k = 0; k < entries.size(); ++k) {
            if (k == self || matches.contains(entries[k].id)) {
                continue;
            }
            for (const WindowReference &w : lists[k]) {
                if (identityOf(w) == window) {
                    return false;
                }
            }
        }
        return true;
    };

    bool changed = true;
    while (changed) {
        changed = false;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (matches.contains(entries[i].id)) {
                continue;
            }
            const WindowReference *only = nullptr;
            int left = 0;
            for (const WindowReference &w : lists[i]) {
                if (!usedWindows.contains(identityOf(w))) {
                    only = &w;
                    ++left;
                }
            }
            if (left == 1 && soleClaimant(identityOf(*only), i)) {
                matches.insert(entries[i].id, *only);
                usedWindows.insert(identityOf(*only));
                changed = true;
            }
        }
    }
}

// Strict and weak: a coordinate that is not a number sorts after every number.
int compareNumbers(double a, double b)
{
    const bool aNaN = std::isnan(a);
    const bool bNaN = std::isnan(b);
    if (aNaN || bNaN) {
        return aNaN == bNaN ? 0 : (aNaN ? 1 : -1);
    }
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

bool MatchingService::isCompatible(const WindowEntry &entry, const WindowReference &window)
{
    return canonicallyEqual(entry.bundleID, window.bundleID)
        && canonicallyEqual(entry.role, window.role)
        && canonicallyEqual(entry.subrole, window.subrole);
}

QSet<QUuid> MatchingService::duplicateExplicitEntryIDs(const QHash<QUuid, WindowReference> &choices)
{
    QHash<AXWindowIdentity, QList<QUuid>> groups;
    for (auto it = choices.constBegin(); it != choices.constEnd(); ++it) {
        groups[identityOf(it.value())].append(it.key());
    }
    QSet<QUuid> duplicates;
    for (const QList<QUuid> &group : std::as_const(groups)) {
        if (group.size() >= 2) {
            for (const QUuid &id : group) {
                duplicates.insert(id);
            }
        }
    }
    return duplicates;
}

void MatchingService::sortCandidates(QList<WindowReference> &candidates)
{
    // Names compare by Unicode scalar after canonical normalization, so upper-case ASCII sorts
    // before lower-case and characters outside the basic plane sort after it.
    QHash<QString, QList<uint>> scalars;
    const auto scalarsOf = [&scalars](const QString &name) -> const QList<uint> & {
        auto it = scalars.find(name);
        if (it == scalars.end()) {
            it = scalars.insert(name, name.normalized(QString::NormalizationForm_C).toUcs4());
        }
        return it.value();
    };
    for (const WindowReference &w : candidates) {
        scalarsOf(w.appName);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](const WindowReference &a, const WindowReference &b) {
                         if (const int y = compareNumbers(a.frame.y, b.frame.y); y != 0) {
                             return y < 0;
                         }
                         if (const int x = compareNumbers(a.frame.x, b.frame.x); x != 0) {
                             return x < 0;
                         }
                         const QList<uint> &an = scalars.value(a.appName);
                         const QList<uint> &bn = scalars.value(b.appName);
                         return std::lexicographical_compare(an.begin(), an.end(), bn.begin(),
                                                             bn.end());
                     });
}

MatchResolution MatchingService::resolve(const QList<WindowEntry> &entries,
                                         const QList<WindowReference> &windows,
                                         const QHash<QUuid, WindowReference> &preferred,
                                         const QSet<QUuid> &explicitEntryIDs,
                                         const QSet<QString> &excludedBundleIDs)
{
    MatchResolution resolution;
    QSet<AXWindowIdentity> usedWindows;
    const auto isFree = [&](const WindowReference &w) {
        return !usedWindows.contains(identityOf(w));
    };
    const auto isMatched = [&](const WindowEntry &entry) {
        return resolution.matches.contains(entry.id);
    };
    const auto isAutomatic = [&](const WindowEntry &entry) {
        return !explicitEntryIDs.contains(entry.id);
    };
    const auto notExcluded = [&](const auto &item) {
        return !excludedBundleIDs.contains(item.bundleID);
    };
    const QList<WindowEntry> active = keepIf(entries, notExcluded);
    const QList<WindowReference> available = keepIf(windows, notExcluded);

    // The caller has revalidated preferred windows; they need not be among the scanned ones.
    for (const WindowEntry &entry : active) {
        const auto it = preferred.constFind(entry.id);
        if (it != preferred.constEnd() && isFree(*it) && isCompatible(entry, *it)) {
            resolution.matches.insert(entry.id, *it);
            usedWindows.insert(identityOf(*it));
        }
    }
    const QList<WindowEntry> unmatched = keepIf(active, std::not_fn(isMatched));

    // The host name decides first, among the entries that saved one; then every entry still
    // open, with a host name or without, takes a window that only it could take.
    const auto hostStrictly = [](const WindowEntry &e, const WindowReference &w) {
        return isCompatible(e, w) && sameHost(e, w);
    };
    const auto namesAHost = [&](const WindowEntry &e) {
        return isAutomatic(e) && hasText(e.hostname);
    };
    assignUnique(keepIf(unmatched, namesAHost), available, hostStrictly, resolution.matches,
                 usedWindows);
    assignUnique(
        keepIf(unmatched, [&](const WindowEntry &e) { return isAutomatic(e) && !isMatched(e); }),
        available, &MatchingService::isCompatible, resolution.matches, usedWindows);

    // What is still undecided goes back to the user, explicit entries included.
    for (const WindowEntry &entry : keepIf(unmatched, std::not_fn(isMatched))) {
        QList<WindowReference> list = keepIf(available, [&](const WindowReference &w) {
            return isFree(w) && isCompatible(entry, w);
        });
        if (list.isEmpty()) {
            resolution.unavailableEntryIDs.append(entry.id);
        } else {
            sortCandidates(list);
            resolution.candidates.insert(entry.id, list);
        }
    }
    return resolution;
}

} // namespace ostrel
