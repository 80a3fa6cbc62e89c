// The global shortcut as the settings file stores it: JSON text that anyone can edit.
#include "model/Shortcut.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<ostrel::Shortcut> shortcut = ostrel::Shortcut::fromJson(json);
    // Whatever is read back is written and read again unchanged.
    if (shortcut && ostrel::Shortcut::fromJson(shortcut->toJson()) != shortcut) {
        std::abort();
    }
    return 0;
}
