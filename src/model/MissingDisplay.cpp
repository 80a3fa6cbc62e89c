#include "model/MissingDisplay.h"

#include "model/Topology.h"

namespace ostrel {

std::optional<MissingDisplay>
MissingDisplay::describing(const QString &savedDisplayKey,
                           const QList<DisplaySnapshot> &savedDisplays)
{
    const QList<DisplaySnapshot> ordered = Topology::sorted(savedDisplays);
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        const DisplaySnapshot &display = ordered[i];
        if (display.id() == savedDisplayKey) {
            return MissingDisplay{savedDisplayKey,
                                  QStringLiteral("Display %1 · %2 × %3")
                                      .arg(i + 1)
                                      .arg(display.pixelWidth)
                                      .arg(display.pixelHeight)};
        }
    }
    return std::nullopt;
}

} // namespace ostrel
