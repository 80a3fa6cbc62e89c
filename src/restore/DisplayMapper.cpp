#include "restore/DisplayMapper.h"

#include "model/Topology.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace ostrel {

namespace {

using Pair = std::pair<DisplaySnapshot, CurrentDisplay>;

// Rounded to whole points, halves away from zero; a value that is not finite counts as 0.
double roundedOrigin(double value)
{
    return std::isfinite(value) ? std::round(value) : 0.0;
}

// Pixel sizes may differ by 5 % of the saved size (truncated), but never by less than 8.
bool pixelsAgree(qint64 saved, qint64 current)
{
    const double tolerance = std::max(8.0, std::trunc(0.05 * static_cast<double>(saved)));
    return std::abs(static_cast<double>(saved) - static_cast<double>(current)) <= tolerance;
}

bool compatible(const DisplaySnapshot &s, const CurrentDisplay &c)
{
    if (s.pixelWidth < 1 || s.pixelHeight < 1) {
        return false;
    }
    return pixelsAgree(s.pixelWidth, c.pixelWidth) && pixelsAgree(s.pixelHeight, c.pixelHeight)
        && std::abs(s.scale - c.scale) <= 0.01 && s.isPrimary == c.isPrimary;
}

// The origins of one saved display and the connected display it would be placed on: all the
// arrangement test looks at.
struct Origins {
    double savedX, savedY, currentX, currentY;
};

Origins originsOf(const DisplaySnapshot &s, const CurrentDisplay &c)
{
    return {s.frame.x, s.frame.y, c.frame.x, c.frame.y};
}

// Same offset between the two saved displays as between their connected counterparts. A
// comparison that meets a value that is not finite yields NaN or infinity and so fails.
bool pairsAgree(const Origins &a, const Origins &b)
{
    const double dx = (a.savedX - b.savedX) - (a.currentX - b.currentX);
    const double dy = (a.savedY - b.savedY) - (a.currentY - b.currentY);
    return std::abs(dx) <= DisplayMapper::arrangementTolerance
        && std::abs(dy) <= DisplayMapper::arrangementTolerance;
}

bool anchorsMatch(const QList<Origins> &candidate, const QList<Origins> &anchors)
{
    for (qsizetype i = 0; i < candidate.size(); ++i) {
        for (qsizetype j = i + 1; j < candidate.size(); ++j) {
            if (!pairsAgree(candidate[i], candidate[j])) {
                return false;
            }
        }
        for (const Origins &anchor : anchors) {
            if (!pairsAgree(candidate[i], anchor)) {
                return false;
            }
        }
    }
    return true;
}

// Heap's algorithm, iterative form: visits every ordering of 0..n-1, the identity first, until
// the visitor returns false.
template <class Visit>
void forEachPermutation(int n, Visit visit)
{
    if (n <= 0) {
        return;
    }
    QList<int> a(n);
    for (int i = 0; i < n; ++i) {
        a[i] = i;
    }
    QList<int> c(n, 0);
    if (!visit(std::as_const(a))) {
        return;
    }
    int i = 1;
    while (i < n) {
        if (c[i] < i) {
            std::swap(a[i % 2 == 0 ? 0 : c[i]], a[i]);
            if (!visit(std::as_const(a))) {
                return;
            }
            ++c[i];
            i = 1;
        } else {
            c[i] = 0;
            ++i;
        }
    }
}

std::optional<QList<Pair>> uniqueCompatibleAssignment(const QList<DisplaySnapshot> &saved,
                                                      const QList<CurrentDisplay> &current,
                                                      const QList<Pair> &anchors)
{
    const qsizetype n = saved.size();
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = i + 1; j < n; ++j) {
            if (roundedOrigin(saved[i].frame.x) == roundedOrigin(saved[j].frame.x)
                && roundedOrigin(saved[i].frame.y) == roundedOrigin(saved[j].frame.y)) {
                return std::nullopt;
            }
        }
    }

    const auto primaries = [](const auto &list) {
        return std::count_if(list.begin(), list.end(), [](const auto &d) { return d.isPrimary; });
    };
    if (primaries(saved) != primaries(current)) {
        return std::nullopt;
    }

    // Every ordering pairs the same displays over and over: decide each pair once.
    QList<QList<bool>> fits(n, QList<bool>(n, false));
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            fits[i][j] = compatible(saved[i], current[j]);
        }
    }
    QList<Origins> anchorOrigins;
    for (const Pair &anchor : anchors) {
        anchorOrigins.append(originsOf(anchor.first, anchor.second));
    }

    std::optional<QList<int>> found;
    bool ambiguous = false;
    QList<Origins> candidate;
    forEachPermutation(int(n), [&](const QList<int> &ordering) {
        candidate.clear();
        for (qsizetype i = 0; i < n; ++i) {
            if (!fits[i][ordering[i]]) {
                return true;
            }
            candidate.append(originsOf(saved[i], current[ordering[i]]));
        }
        if (!anchorsMatch(candidate, anchorOrigins)) {
            return true;
        }
        if (found) {
            ambiguous = true; // a second arrangement fits as well: nothing is certain
            return false;
        }
        found = ordering;
        return true;
    });
    if (ambiguous) {
        return std::nullopt;
    }
    if (!found) {
        return std::nullopt;
    }
    QList<Pair> pairs;
    for (qsizetype i = 0; i < n; ++i) {
        pairs.append({saved[i], current[(*found)[i]]});
    }
    return pairs;
}

} // namespace

QList<QList<int>> DisplayMapper::permutations(int n)
{
    QList<QList<int>> result;
    forEachPermutation(n, [&result](const QList<int> &ordering) {
        result.append(ordering);
        return true;
    });
    return result;
}

DisplayMapping DisplayMapper::map(const QList<DisplaySnapshot> &saved,
                                  const QList<CurrentDisplay> &current,
                                  const QHash<QString, QString> &fallbacks,
                                  bool allowTopologyFallback)
{
    DisplayMapping mapping;
    QSet<QString> used;
    QList<Pair> anchors;

    const auto findCurrent = [&current](const QString &key) -> const CurrentDisplay * {
        for (const CurrentDisplay &c : current) {
            if (c.identity.key() == key) {
                return &c;
            }
        }
        return nullptr;
    };

    for (const DisplaySnapshot &s : saved) {
        const QString key = s.identity.key();
        if (const CurrentDisplay *c = findCurrent(key)) {
            mapping.displays.insert(key, *c);
            used.insert(key);
            anchors.append({s, *c});
        }
    }

    for (const DisplaySnapshot &s : saved) {
        const QString key = s.identity.key();
        if (mapping.displays.contains(key)) {
            continue;
        }
        const auto fallback = fallbacks.constFind(key);
        if (fallback == fallbacks.constEnd()) {
            continue;
        }
        // The user's choice may name a display that is already taken: both then share it.
        if (const CurrentDisplay *c = findCurrent(fallback.value())) {
            mapping.displays.insert(key, *c);
            used.insert(c->identity.key());
        }
    }

    if (allowTopologyFallback) {
        QList<DisplaySnapshot> unplaced;
        for (const DisplaySnapshot &s : saved) {
            if (!mapping.displays.contains(s.identity.key())) {
                unplaced.append(s);
            }
        }
        QList<CurrentDisplay> free;
        for (const CurrentDisplay &c : current) {
            if (!used.contains(c.identity.key())) {
                free.append(c);
            }
        }
        if (!unplaced.isEmpty() && unplaced.size() <= maximumTopologyDisplays
            && free.size() == unplaced.size()) {
            if (const auto candidate = uniqueCompatibleAssignment(unplaced, free, anchors)) {
                for (const Pair &pair : *candidate) {
                    mapping.displays.insert(pair.first.identity.key(), pair.second);
                }
            }
        }
    }
    return mapping;
}

QList<MissingDisplay> DisplayMapper::missingDisplays(const QList<DisplaySnapshot> &saved,
                                                     const DisplayMapping &mapping)
{
    QList<MissingDisplay> missing;
    for (const DisplaySnapshot &s : Topology::sorted(saved)) {
        const QString key = s.identity.key();
        if (mapping.displays.contains(key)) {
            continue;
        }
        // Numbered among all saved displays, mapped ones included.
        if (const std::optional<MissingDisplay> described =
                MissingDisplay::describing(key, saved)) {
            missing.append(*described);
        }
    }
    return missing;
}

} // namespace ostrel
