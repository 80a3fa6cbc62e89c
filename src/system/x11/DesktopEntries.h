#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>

namespace ostrel::x11 {

// The applications' desktop entries (XDG data dirs, "applications" subfolders), through which an
// X client's WM_CLASS or its toolkit's hints become a stable application id and a display name.
class DesktopEntries {
public:
    struct Match {
        QString id; // the file name without ".desktop", subfolders joined with "-"
        QString name; // Name, localized where the entry has it
        friend bool operator==(const Match &, const Match &) = default;
    };

    // The folders holding "applications"; the XDG defaults when empty. Earlier folders win.
    explicit DesktopEntries(QStringList dataDirs = {});

    // By _GTK_APPLICATION_ID, then _KDE_NET_WM_DESKTOP_FILE, then an entry whose StartupWMClass
    // is the class or instance, then one whose id is the class or instance (letter case ignored
    // in the last two).
    std::optional<Match> find(const QString &gtkApplicationId, const QString &kdeDesktopFile,
                              const QString &wmInstance, const QString &wmClass);

    // The Icon of the entry with exactly this id: a theme icon name or an absolute path, empty
    // when the entry names none; absent when there is no such entry.
    std::optional<QString> icon(const QString &id);

private:
    struct Entry {
        QString id;
        QString name;
        QString startupWMClass;
        QString icon;
    };
    void loadIfStale();

    QStringList dataDirs_;
    std::mutex mutex_;
    QHash<QString, Entry> byId_;
    QHash<QString, QString> idByLowerId_;
    QHash<QString, QString> idByLowerWmClass_;
    QDateTime loadedAt_;
};

} // namespace ostrel::x11
