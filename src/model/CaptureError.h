#pragma once

#include <QHashFunctions>
#include <QString>

#include <exception>

namespace ostrel {

// What a window capture throws when it finds nothing, times out, is cancelled or cannot read
// every window.
class CaptureError : public std::exception {
public:
    enum class Kind {
        permissionDenied,
        noEligibleWindows,
        cancelled,
        timedOut,
        incompleteDiscovery,
    };

    explicit CaptureError(Kind kind)
        : kind_(kind)
    {
    }

    Kind kind() const { return kind_; }
    QString errorDescription() const;
    const char *what() const noexcept override;

    friend bool operator==(const CaptureError &a, const CaptureError &b)
    {
        return a.kind_ == b.kind_;
    }

private:
    Kind kind_;
};

inline size_t qHash(const CaptureError &error, size_t seed = 0) noexcept
{
    return ::qHash(static_cast<int>(error.kind()), seed);
}

} // namespace ostrel
