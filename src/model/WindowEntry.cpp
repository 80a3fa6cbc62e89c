#include "model/WindowEntry.h"

#include "model/Rounding.h"
#include "model/WindowLabel.h"

namespace ostrel {

namespace {

QString percent(double fraction)
{
    // Loaded and captured entries are always finite; anything else shows 0 rather than an
    // undefined conversion.
    return QString::number(roundedToInt64(fraction * 100.0).value_or(0)) + QLatin1Char('%');
}

} // namespace

QString WindowEntry::label() const
{
    return windowLabel(appName, hostname);
}

QString WindowEntry::geometryDescription() const
{
    return percent(relativeFrame.width) + QStringLiteral(" × ") + percent(relativeFrame.height);
}

} // namespace ostrel
