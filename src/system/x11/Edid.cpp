#include "system/x11/Edid.h"

namespace ostrel::x11 {

std::optional<Edid> parseEdid(const QByteArray &bytes)
{
    static const QByteArray header("\x00\xff\xff\xff\xff\xff\xff\x00", 8);
    if (bytes.size() < 128 || !bytes.startsWith(header)) {
        return std::nullopt;
    }
    const auto byte = [&](int i) { return quint32(quint8(bytes[i])); };
    Edid edid;
    edid.manufacturer = (byte(8) << 8) | byte(9);
    edid.product = byte(10) | (byte(11) << 8);
    edid.serial = byte(12) | (byte(13) << 8) | (byte(14) << 16) | (byte(15) << 24);
    for (int offset = 54; offset <= 108; offset += 18) {
        // A display descriptor starts with a zero pixel clock; tag 0xFC is the monitor name.
        if (byte(offset) == 0 && byte(offset + 1) == 0 && byte(offset + 3) == 0xFC) {
            QByteArray name = bytes.mid(offset + 5, 13);
            const int newline = name.indexOf('\n');
            if (newline >= 0) {
                name.truncate(newline);
            }
            edid.name = QString::fromLatin1(name).trimmed();
            break;
        }
    }
    return edid;
}

} // namespace ostrel::x11
