#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>

namespace ostrel {

enum class ResultKind { restore, undo };

template <>
struct RawValues<ResultKind> {
    static constexpr std::pair<ResultKind, const char *> cases[] = {
        {ResultKind::restore, "restore"},
        {ResultKind::undo, "undo"},
    };
};

inline size_t qHash(ResultKind kind, size_t seed = 0) noexcept
{
    return qHash(rawValue(kind), seed);
}

} // namespace ostrel
