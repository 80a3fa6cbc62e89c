#pragma once

#include <QString>
#include <QStringList>

namespace ostrel {

// Where the layout store keeps its files. Paths are absolute local file paths.
struct StorePaths {
    QString directory;   // the storage folder
    QString database;    // "Ostrel.sqlite"
    QString backup;      // "Ostrel.backup.sqlite", the last-known-good copy
    QString resetMarker; // "Ostrel.reset-pending"; pauses automatic recovery while present

    friend bool operator==(const StorePaths &, const StorePaths &) = default;

    // The user's data folder ("~/.local/share") + "/Ostrel", or the home folder + "/Ostrel"
    // when no data folder is known. Creates nothing and never fails.
    static StorePaths defaultPaths();
    // The paths under a given parent folder; an empty parent means the home folder.
    static StorePaths inFolder(const QString &parent);

    // Write-ahead log, shared-memory index and rollback journal: appended to a database path.
    static const QStringList &sidecarSuffixes();
};

} // namespace ostrel
