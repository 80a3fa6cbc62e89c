#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace ostrel::x11 {

// The keys of one desktop entry file's [Desktop Entry] group; other groups (actions) are
// ignored. Anyone may put files or links into the folders these come from, so reading one
// never blocks and never takes in more than an entry can sensibly hold.
struct DesktopEntryFile {
    // Real entries hold a few kilobytes, translations included.
    static constexpr qint64 largestSize = 1024 * 1024;

    QHash<QString, QString> keys;

    // The entry at the path, links followed. Absent unless it is a regular file of at most
    // largestSize bytes that can be read: a FIFO, a device or a folder is never opened for
    // reading, so a link to one cannot hang the scan.
    static std::optional<DesktopEntryFile> read(const QString &path);
    static DesktopEntryFile parse(const QByteArray &bytes);

    // Name in the locale ("de_DE"), else in its language ("de"), else the plain Name.
    QString localizedName(const QString &locale) const;
};

} // namespace ostrel::x11
