#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>
#include <QString>

namespace ostrel {

enum class ResultKind { restore, undo };

QString rawValue(ResultKind kind);

template <>
std::optional<ResultKind> fromRawValue<ResultKind>(const QString &text);
template <>
QList<ResultKind> allCases<ResultKind>();

inline size_t qHash(ResultKind kind, size_t seed = 0) noexcept
{
    return qHash(rawValue(kind), seed);
}

} // namespace ostrel
