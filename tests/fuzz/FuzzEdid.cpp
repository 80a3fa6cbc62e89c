// A monitor's EDID block as the X server passes it on: whatever bytes the monitor sent.
#include "system/x11/Edid.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<ostrel::x11::Edid> edid = ostrel::x11::parseEdid(bytes);
    // The name descriptor holds 13 bytes at most.
    if (edid && edid->name.size() > 13) {
        std::abort();
    }
    return 0;
}
