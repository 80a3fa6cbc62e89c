#include "restore/MatchingService.h"

#include "model/AXWindowIdentity.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace ostrel {

namespace {

AXWindowIdentity identityOf(const WindowReference &window)
{
    return window.identity();
}

bool canonicallyEqual(const QString &a, const QString &b)
{
    return a == b
           || a.normalized(QString::NormalizationForm_C)
                  == b.normalized(QString::NormalizationForm_C);
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
    QList<WindowReference> free;
    for (const WindowReference &w : windows) {
        if (!usedWindows.contains(identityOf(w))) {
            free.append(w);
        }
    }
    QList<QList<WindowReference>> lists;
    lists.reserve(entries.size());
    for (const WindowEntry &entry : entries) {
        QList<WindowReference> list;
        for (const WindowReference &w : free) {
            if (accepts(entry, w)) {
                list.append(w);
            }
        }
        lists.append(list);
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

    QList<WindowEntry> active;
    for (const WindowEntry &entry : entries) {
        if (!excludedBundleIDs.contains(entry.bundleID)) {
            active.append(entry);
        }
    }
    QList<WindowReference> available;
    for (const WindowReference &w : windows) {
        if (!excludedBundleIDs.contains(w.bundleID)) {
            available.append(w);
        }
    }

    // The caller has revalidated preferred windows; they need not be among the scanned ones.
    for (const WindowEntry &entry : active) {
        const auto it = preferred.constFind(entry.id);
        if (it == preferred.constEnd()) {
            continue;
        }
        const AXWindowIdentity identity = identityOf(it.value());
        if (!usedWindows.contains(identity) && isCompatible(entry, it.value())) {
            resolution.matches.insert(entry.id, it.value());
            usedWindows.insert(identity);
        }
    }

    QList<WindowEntry> unmatched;
    for (const WindowEntry &entry : active) {
        if (!resolution.matches.contains(entry.id)) {
            unmatched.append(entry);
        }
    }

    QList<WindowEntry> strict;
    for (const WindowEntry &entry : unmatched) {
        if (!explicitEntryIDs.contains(entry.id) && hasText(entry.hostname)) {
            strict.append(entry);
        }
    }
    assignUnique(
        strict, available,
        [](const WindowEntry &e, const WindowReference &w) {
            return isCompatible(e, w) && sameHost(e, w);
        },
        resolution.matches, usedWindows);

    QList<WindowEntry> relaxed;
    for (const WindowEntry &entry : unmatched) {
        if (!explicitEntryIDs.contains(entry.id) && !resolution.matches.contains(entry.id)) {
            relaxed.append(entry);
        }
    }
    assignUnique(relaxed, available, &MatchingService::isCompatible, resolution.matches,
                 usedWindows);

    for (const WindowEntry &entry : unmatched) {
        if (resolution.matches.contains(entry.id)) {
            continue;
        }
        QList<WindowReference> list;
        for (const WindowReference &w : available) {
            if (!usedWindows.contains(identityOf(w)) && isCompatible(entry, w)) {
                list.append(w);
            }
        }
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
