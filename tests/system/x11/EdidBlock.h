#pragma once

#include <QByteArray>

namespace ostrel::test {

// A 128-byte EDID base block with the given identity and, unless `name` is null, a monitor
// name descriptor.
inline QByteArray edidBlock(quint16 manufacturer, quint16 product, quint32 serial,
                            const QByteArray &name)
{
    QByteArray b(128, '\0');
    const char header[] = {'\x00', '\xff', '\xff', '\xff', '\xff', '\xff', '\xff', '\x00'};
    for (int i = 0; i < 8; ++i) {
        b[i] = header[i];
    }
    b[8] = char(manufacturer >> 8);
    b[9] = char(manufacturer & 0xFF);
    b[10] = char(product & 0xFF);
    b[11] = char(product >> 8);
    for (int i = 0; i < 4; ++i) {
        b[12 + i] = char((serial >> (8 * i)) & 0xFF);
    }
    if (!name.isNull()) {
        // Second descriptor: a monitor name, newline-terminated and space-padded.
        b[72 + 3] = char(0xFC);
        QByteArray text = name + "\n";
        text = text.leftJustified(13, ' ');
        for (int i = 0; i < 13; ++i) {
            b[72 + 5 + i] = text[i];
        }
    }
    return b;
}

} // namespace ostrel::test
