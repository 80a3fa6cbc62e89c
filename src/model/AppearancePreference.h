#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>

namespace ostrel {

// The appearance of the program's own windows.
enum class AppearancePreference { system, light, dark };

template <>
struct RawValues<AppearancePreference> {
    static constexpr std::pair<AppearancePreference, const char *> cases[] = {
        {AppearancePreference::system, "system"},
        {AppearancePreference::light, "light"},
        {AppearancePreference::dark, "dark"},
    };
};

inline size_t qHash(AppearancePreference appearance, size_t seed = 0) noexcept
{
    return qHash(rawValue(appearance), seed);
}

} // namespace ostrel
