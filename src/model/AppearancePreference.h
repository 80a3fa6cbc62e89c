#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>
#include <QString>

namespace ostrel {

// The appearance of the program's own windows.
enum class AppearancePreference { system, light, dark };

QString rawValue(AppearancePreference appearance);

template <>
std::optional<AppearancePreference> fromRawValue<AppearancePreference>(const QString &text);
template <>
QList<AppearancePreference> allCases<AppearancePreference>();

inline size_t qHash(AppearancePreference appearance, size_t seed = 0) noexcept
{
    return qHash(rawValue(appearance), seed);
}

} // namespace ostrel
