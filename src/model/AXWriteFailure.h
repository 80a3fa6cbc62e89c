#pragma once

#include "model/RawValue.h"

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace ostrel {

// The classified reason of one failed window write.
struct AXWriteFailure {
    enum class Kind { permission, transient, invalidElement, unsupported, rejected, other };

    Kind kind = Kind::other;
    qint32 code = 0; // the backend's Accessibility error code; 0 for the failures made here
    QString message;

    friend bool operator==(const AXWriteFailure &, const AXWriteFailure &) = default;

    // Nothing for success (0); otherwise the kind and user text of the error code.
    static std::optional<AXWriteFailure> make(qint32 code);

    // The window's role can no longer be read or has changed.
    static AXWriteFailure windowUnavailable();
    // The frame could not be read back after the writes.
    static AXWriteFailure readbackUnverified();
};

template <>
struct RawValues<AXWriteFailure::Kind> {
    using Kind = AXWriteFailure::Kind;
    // clang-format off
    static constexpr std::pair<Kind, const char *> cases[] = {
        {Kind::permission, "permission"},   {Kind::transient, "transient"},
        {Kind::invalidElement, "invalidElement"}, {Kind::unsupported, "unsupported"},
        {Kind::rejected, "rejected"},       {Kind::other, "other"},
    };
    // clang-format on
};

inline size_t qHash(AXWriteFailure::Kind kind, size_t seed = 0) noexcept
{
    return qHash(rawValue(kind), seed);
}

inline size_t qHash(const AXWriteFailure &failure, size_t seed = 0) noexcept
{
    return qHashMulti(seed, failure.kind, failure.code, failure.message);
}

} // namespace ostrel
