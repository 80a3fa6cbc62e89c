#include "CrashLoopProtocol.h"

#include <QCryptographicHash>
#include <QStringList>

namespace ostrel::test {

namespace {

// Every bit of the value, so that a row read back differently shows.
QString exact(double value)
{
    return QString::number(value, 'g', 17);
}

} // namespace

QString contentOf(const Layout &layout)
{
    QStringList parts{layout.name};
    for (const DisplaySnapshot &display : layout.displays) {
        parts << display.identity.key() << exact(display.frame.x) << exact(display.visibleFrame.y)
              << QString::number(display.pixelWidth) << exact(display.scale)
              << QString::number(display.isPrimary);
    }
    for (const WindowEntry &entry : layout.entries) {
        parts << entry.id.toString() << entry.bundleID << entry.appName << entry.displayKey
              << entry.hostname.value_or(QStringLiteral("-")) << exact(entry.relativeFrame.x)
              << exact(entry.relativeFrame.y) << exact(entry.relativeFrame.width)
              << exact(entry.relativeFrame.height);
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(parts.join(QChar(0x1F)).toUtf8(), QCryptographicHash::Sha1)
            .toHex());
}

} // namespace ostrel::test
