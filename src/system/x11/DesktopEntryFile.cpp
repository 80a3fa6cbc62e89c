#include "system/x11/DesktopEntryFile.h"

#include <QFile>
#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel::x11 {

namespace {

// The whole file, or nothing when it is not a readable regular file of a sane size.
std::optional<QByteArray> readRegularFile(const QString &path)
{
    // Without O_NONBLOCK, opening a FIFO for reading waits for a writer that may never come.
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return std::nullopt;
    }
    std::optional<QByteArray> contents;
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)
        && status.st_size <= DesktopEntryFile::largestSize) {
        QByteArray bytes;
        bytes.resize(static_cast<qsizetype>(status.st_size));
        qsizetype filled = 0;
        bool failed = false;
        while (filled < bytes.size()) {
            const ssize_t got = ::read(descriptor, bytes.data() + filled,
                                       static_cast<size_t>(bytes.size() - filled));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                failed = got < 0;
                break;
            }
            filled += got;
        }
        if (!failed) {
            // A file that shrank while being read is taken as far as it went.
            bytes.truncate(filled);
            contents = std::move(bytes);
        }
    }
    ::close(descriptor);
    return contents;
}

} // namespace

std::optional<DesktopEntryFile> DesktopEntryFile::read(const QString &path)
{
    const std::optional<QByteArray> bytes = readRegularFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return parse(*bytes);
}

DesktopEntryFile DesktopEntryFile::parse(const QByteArray &bytes)
{
    DesktopEntryFile entry;
    bool inEntry = false;
    for (const QByteArray &rawLine : bytes.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0) {
            entry.keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
    }
    return entry;
}

QString DesktopEntryFile::localizedName(const QString &locale) const
{
    for (const QString &candidate : {locale, locale.section(QLatin1Char('_'), 0, 0)}) {
        const QString value = keys.value(QStringLiteral("Name[%1]").arg(candidate));
        if (!value.isEmpty()) {
            return value;
        }
    }
    return keys.value(QStringLiteral("Name"));
}

} // namespace ostrel::x11
