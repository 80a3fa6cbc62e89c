#include "model/AmbiguousEntry.h"

namespace ostrel {

QList<NumberedCandidate> AmbiguousEntry::numberedCandidates() const
{
    QList<NumberedCandidate> numbered;
    numbered.reserve(candidates.size());
    int number = 0;
    for (const WindowReference &candidate : candidates) {
        numbered.append({++number, candidate});
    }
    return numbered;
}

} // namespace ostrel
