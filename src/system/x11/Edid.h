#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ostrel::x11 {

// The identity a monitor reports in its EDID block: manufacturer id (the three-letter code as
// its packed big-endian 16-bit number), product code, serial number, and the monitor name from
// the name descriptor when there is one.
struct Edid {
    quint32 manufacturer = 0;
    quint32 product = 0;
    quint32 serial = 0;
    QString name;
    friend bool operator==(const Edid &, const Edid &) = default;
};

// Absent for anything that is not a base EDID block (too short, wrong header).
std::optional<Edid> parseEdid(const QByteArray &bytes);

} // namespace ostrel::x11
