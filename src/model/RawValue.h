#pragma once

#include <QList>
#include <QString>

#include <concepts>
#include <optional>
#include <utility>

namespace ostrel {

// The program's enumerations with a stored or shown text form list their cases once, in order,
// with that text:
//
//   template <> struct RawValues<ResultKind> {
//       static constexpr std::pair<ResultKind, const char *> cases[] = {…};
//   };
//
// and get `rawValue`, exact parsing (case counts, whole text) and `allCases` from it.
template <class E>
struct RawValues;

template <class E>
concept HasRawValues = std::is_enum_v<E> && requires
{
    RawValues<E>::cases;
};

template <HasRawValues E>
QString rawValue(E value)
{
    for (const auto &[candidate, text] : RawValues<E>::cases) {
        if (candidate == value) {
            return QString::fromUtf8(text);
        }
    }
    return {};
}

template <HasRawValues E>
std::optional<E> fromRawValue(const QString &text)
{
    for (const auto &[candidate, raw] : RawValues<E>::cases) {
        if (text == QString::fromUtf8(raw)) {
            return candidate;
        }
    }
    return std::nullopt;
}

template <HasRawValues E>
QList<E> allCases()
{
    QList<E> values;
    for (const auto &entry : RawValues<E>::cases) {
        values.append(entry.first);
    }
    return values;
}

} // namespace ostrel
