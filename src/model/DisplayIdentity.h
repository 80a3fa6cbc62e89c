#pragma once

#include <QHashFunctions>
#include <QString>

namespace ostrel {

// A display's hardware identity. Its key is how saved windows name their display and how saved
// displays are matched to connected ones.
struct DisplayIdentity {
    quint32 vendor = 0;
    quint32 model = 0;
    quint32 serial = 0; // 0 when the display reports none
    quint32 unit = 0;

    friend bool operator==(const DisplayIdentity &, const DisplayIdentity &) = default;

    // "vendor-model-serial", or "vendor-model-unit" when there is no serial. Two identities with
    // equal keys may still differ: the unit is left out whenever there is a serial.
    QString key() const;
};

size_t qHash(const DisplayIdentity &identity, size_t seed = 0) noexcept;

} // namespace ostrel
