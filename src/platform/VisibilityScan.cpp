#include "platform/VisibilityScan.h"

#include "model/CaptureError.h"

#include <QSet>

#include <cmath>

namespace ostrel {

namespace {

constexpr double matchTolerance = 8.0;

bool matches(const RectD &row, const RectD &window)
{
    // Written so that a NaN on either side never matches.
    return std::fabs(row.x - window.x) <= matchTolerance
        && std::fabs(row.y - window.y) <= matchTolerance
        && std::fabs(row.width - window.width) <= matchTolerance
        && std::fabs(row.height - window.height) <= matchTolerance;
}

class Pairing {
public:
    Pairing(Clock &clock, Clock::TimePoint deadline)
        : clock_(clock)
        , deadline_(deadline)
    {
    }

    void checkClock() const
    {
        if (clock_.now() >= deadline_) {
            throw CaptureError(CaptureError::Kind::timedOut);
        }
    }

    QList<QList<int>> candidates;
    QHash<int, int> pairOfRow;

    // The augmenting-path step of bipartite matching: gives pair `p` a row, moving earlier
    // pairs to other rows where that frees one. Depth is bounded by the number of rows.
    bool assign(int p, QSet<int> &seen)
    {
        checkClock();
        for (int row : candidates[p]) {
            if (seen.contains(row)) {
                continue;
            }
            seen.insert(row);
            auto holder = pairOfRow.constFind(row);
            if (holder == pairOfRow.constEnd() || assign(holder.value(), seen)) {
                pairOfRow.insert(row, p);
                return true;
            }
        }
        return false;
    }

private:
    Clock &clock_;
    Clock::TimePoint deadline_;
};

} // namespace

VisibilityScan VisibilityScan::pair(const QHash<AXWindowIdentity, RectD> &frames,
                                    const QList<CGWindowEntry> &visible, Clock::TimePoint deadline,
                                    Clock &clock)
{
    Pairing pairing(clock, deadline);
    QList<std::pair<AXWindowIdentity, RectD>> pairs;
    for (auto it = frames.constBegin(); it != frames.constEnd(); ++it) {
        pairs.append({it.key(), it.value()});
    }
    const int n = int(pairs.size());

    // Which pairs could show on which row, and the reverse, so that growing a group costs
    // only the edges it has.
    QList<QList<int>> pairsOfRow(visible.size());
    pairing.candidates.resize(n);
    for (int i = 0; i < n; ++i) {
        pairing.checkClock();
        for (int j = 0; j < visible.size(); ++j) {
            if (matches(visible[j].frame, pairs[i].second)) {
                pairing.candidates[i].append(j);
                pairsOfRow[j].append(i);
            }
        }
    }

    VisibilityScan scan;
    QList<bool> placed(n, false);
    for (int i = 0; i < n; ++i) {
        if (placed[i]) {
            continue;
        }
        QList<int> queue{i};
        QSet<int> groupPairs{i};
        QSet<int> groupRows;
        for (int q = 0; q < queue.size(); ++q) {
            pairing.checkClock();
            for (int row : pairing.candidates[queue[q]]) {
                if (groupRows.contains(row)) {
                    continue;
                }
                groupRows.insert(row);
                // pairsOfRow lists the pairs in index order.
                for (int other : pairsOfRow[row]) {
                    if (!groupPairs.contains(other)) {
                        groupPairs.insert(other);
                        queue.append(other);
                    }
                }
            }
        }
        for (int p : queue) {
            placed[p] = true;
        }
        if (groupRows.isEmpty()) {
            continue;
        }
        if (queue.size() != groupRows.size()) {
            scan.ambiguous = true;
            continue;
        }
        bool complete = true;
        for (int p : queue) {
            QSet<int> seen;
            if (!pairing.assign(p, seen)) {
                complete = false;
                break;
            }
        }
        if (!complete) {
            scan.ambiguous = true;
            continue;
        }
        for (int p : queue) {
            VisibilityEvidence evidence;
            if (queue.size() == 1) {
                evidence.windowID = visible[pairing.candidates[p].first()].windowID;
            }
            scan.evidence.insert(pairs[p].first, evidence);
        }
    }
    return scan;
}

} // namespace ostrel
