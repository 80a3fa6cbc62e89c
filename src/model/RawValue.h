#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// The program's enumerations with stored or shown text forms parse that text exactly (case
// counts, whole text) and list their cases in a fixed order. Each enumeration specializes these
// in its own header, beside its `rawValue` overload.
template <class E>
std::optional<E> fromRawValue(const QString &text);

template <class E>
QList<E> allCases();

// Shared body of the specializations: the case whose raw value is the text, if any.
template <class E>
std::optional<E> findRawValue(const QString &text)
{
    for (E value : allCases<E>()) {
        if (rawValue(value) == text) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
