#pragma once

#include <QString>

#include <optional>

namespace ostrel::LayoutName {

// The most user-perceived characters a stored name keeps.
inline constexpr int longestCharacters = 120;

// What a requested name is stored as: trimmed, then cut to its first 120 user-perceived
// characters; the cut is not trimmed again. None when nothing is left, or when the name holds a
// NUL character, which no one types and which C strings would silently cut off.
std::optional<QString> normalized(const QString &requested);

} // namespace ostrel::LayoutName
