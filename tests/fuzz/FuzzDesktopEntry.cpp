// A desktop entry file: text that any installed package or the user may have written.
#include "system/x11/DesktopEntryFile.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const ostrel::x11::DesktopEntryFile entry = ostrel::x11::DesktopEntryFile::parse(bytes);
    for (const QString &locale : {QStringLiteral("de_DE"), QString()}) {
        (void)entry.localizedName(locale);
    }
    return 0;
}
