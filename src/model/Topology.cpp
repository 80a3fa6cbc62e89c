#include "model/Topology.h"

#include "model/Rounding.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

// A strict order on doubles that stays total with NaN (sorted last), so that a damaged value
// can never break the sort.
int compareCoordinates(double a, double b)
{
    const bool aNaN = std::isnan(a);
    const bool bNaN = std::isnan(b);
    if (aNaN || bNaN) {
        return int(aNaN) - int(bNaN);
    }
    return a < b ? -1 : (b < a ? 1 : 0);
}

// One decimal place kept: v × 10 rounded; 0 for what has no 64-bit integer form.
QString signatureNumber(double value)
{
    return QString::number(roundedToInt64(value * 10.0).value_or(0));
}

QString element(const DisplaySnapshot &d)
{
    return d.identity.key() + QLatin1Char('@') + signatureNumber(d.frame.x) + QLatin1Char(',')
        + signatureNumber(d.frame.y) + QLatin1Char(',') + signatureNumber(d.frame.width)
        + QLatin1Char('x') + signatureNumber(d.frame.height) + QLatin1Char('/')
        + QString::number(d.pixelWidth) + QLatin1Char('x') + QString::number(d.pixelHeight)
        + QLatin1Char('@') + signatureNumber(d.scale)
        + (d.isPrimary ? QLatin1Char('P') : QLatin1Char('S'));
}

} // namespace

QList<DisplaySnapshot> Topology::sorted(const QList<DisplaySnapshot> &displays)
{
    struct Keyed {
        QString key;
        DisplaySnapshot display;
    };
    QList<Keyed> keyed;
    keyed.reserve(displays.size());
    for (const DisplaySnapshot &d : displays) {
        keyed.append({d.identity.key(), d});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        if (int c = compareCoordinates(a.display.frame.x, b.display.frame.x); c != 0) {
            return c < 0;
        }
        if (int c = compareCoordinates(a.display.frame.y, b.display.frame.y); c != 0) {
            return c < 0;
        }
        // Character by character, so "10-…" sorts before "9-…".
        return a.key < b.key;
    });
    QList<DisplaySnapshot> result;
    result.reserve(keyed.size());
    for (const Keyed &k : keyed) {
        result.append(k.display);
    }
    return result;
}

QString Topology::signature(const QList<DisplaySnapshot> &displays)
{
    QStringList elements;
    for (const DisplaySnapshot &d : sorted(displays)) {
        elements.append(element(d));
    }
    return elements.join(QLatin1Char('|'));
}

QString Topology::signature(const QList<CurrentDisplay> &displays)
{
    QList<DisplaySnapshot> snapshots;
    snapshots.reserve(displays.size());
    for (const CurrentDisplay &d : displays) {
        snapshots.append(DisplaySnapshot::fromCurrent(d));
    }
    return signature(snapshots);
}

} // namespace ostrel
