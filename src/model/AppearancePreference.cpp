#include "model/AppearancePreference.h"

namespace ostrel {

QString rawValue(AppearancePreference appearance)
{
    switch (appearance) {
    case AppearancePreference::system:
        return QStringLiteral("system");
    case AppearancePreference::light:
        return QStringLiteral("light");
    case AppearancePreference::dark:
        return QStringLiteral("dark");
    }
    return {};
}

template <>
QList<AppearancePreference> allCases<AppearancePreference>()
{
    return {AppearancePreference::system, AppearancePreference::light, AppearancePreference::dark};
}

template <>
std::optional<AppearancePreference> fromRawValue<AppearancePreference>(const QString &text)
{
    return findRawValue<AppearancePreference>(text);
}

} // namespace ostrel
