#include "ui/windows/CandidateDescription.h"

#include "model/Rounding.h"

#include <algorithm>

namespace ostrel {

namespace {

// Width times height of the intersection; an empty side counts as 0, and so does a side that
// cannot be computed (a frame holding NaN).
double overlapArea(const RectD &a, const RectD &b)
{
    const double width = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double height = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    if (!(width > 0) || !(height > 0)) {
        return 0;
    }
    return width * height;
}

QString displayPrefix(const RectD &frame, const QList<CurrentDisplay> &displays)
{
    if (displays.isEmpty()) {
        return QStringLiteral("Display");
    }
    const CurrentDisplay *best = &displays.first();
    double bestArea = overlapArea(frame, best->frame);
    for (qsizetype i = 1; i < displays.size(); ++i) {
        const double area = overlapArea(frame, displays[i].frame);
        if (area > bestArea) {
            best = &displays[i];
            bestArea = area;
        }
    }
    const QString key = best->identity.key();
    for (qsizetype i = 0; i < displays.size(); ++i) {
        if (displays[i].identity.key() == key) {
            return QStringLiteral("Display %1").arg(i + 1);
        }
    }
    return QStringLiteral("Display");
}

} // namespace

QString candidateDescription(const WindowReference &reference,
                             const QList<CurrentDisplay> &displays)
{
    const QString prefix = displayPrefix(reference.frame, displays);
    const std::optional<qint64> width = roundedToInt64(reference.frame.width);
    const std::optional<qint64> height = roundedToInt64(reference.frame.height);
    if (!width || !height) {
        return prefix;
    }
    return QStringLiteral("%1 · %2 × %3")
        .arg(prefix, QString::number(*width), QString::number(*height));
}

} // namespace ostrel
