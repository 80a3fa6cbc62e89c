#pragma once

#include "system/x11/FolderWatch.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <future>
#include <mutex>
#include <optional>

namespace ostrel::x11 {

// The applications' desktop entries (XDG data dirs, "applications" subfolders), through which an
// X client's WM_CLASS or its toolkit's hints become a stable application id and a display name.
class DesktopEntries {
public:
    struct Match {
        QString id;   // the file name without ".desktop", subfolders joined with "-"
        QString name; // Name, localized where the entry has it
        friend bool operator==(const Match &, const Match &) = default;
    };

    // An installed application's entry: its id, Name (localized; may be blank), Icon and file.
    struct Application {
        QString id;
        QString name;
        QString icon;
        QString path;
        friend bool operator==(const Application &, const Application &) = default;
    };

    // The one id rule: the entry's path below its "applications" folder without ".desktop",
    // subfolders joined with "-" ("kde4/okular.desktop" is "kde4-okular"). Empty for a path
    // that is not a ".desktop" file inside that folder.
    static QString idFor(const QString &applicationsFolder, const QString &path);

    // The folders holding "applications"; the XDG defaults when empty. Earlier folders win.
    // `currentDesktops` are the names OnlyShowIn and NotShowIn are read against;
    // XDG_CURRENT_DESKTOP's when absent.
    explicit DesktopEntries(QStringList dataDirs = {},
                            std::optional<QStringList> currentDesktops = std::nullopt);

    // By _GTK_APPLICATION_ID, then _KDE_NET_WM_DESKTOP_FILE, then an entry whose StartupWMClass
    // is the class or instance, then one whose id is the class or instance (letter case ignored
    // in the last two).
    std::optional<Match> find(const QString &gtkApplicationId, const QString &kdeDesktopFile,
                              const QString &wmInstance, const QString &wmClass);

    // The Icon of the entry with exactly this id: a theme icon name or an absolute path, empty
    // when the entry names none; absent when there is no such entry.
    std::optional<QString> icon(const QString &id);

    // Every installed application a menu would show, each id once as `find` sees it: an entry in
    // an earlier folder wins, and a hidden one or one of another type hides the id. Entries that
    // ask not to be shown (NoDisplay, or OnlyShowIn/NotShowIn for another desktop) are left out
    // here, though `find` still names their windows by them.
    QList<Application> applications();

    // The application entry of the file at `path` (an absolute path in one of the folders'
    // "applications"); absent when it lies in none of them, is no ".desktop" file, cannot be
    // read, is hidden, or is of another type than Application.
    std::optional<Application> entryAt(const QString &path) const;

    ~DesktopEntries();
    DesktopEntries(const DesktopEntries &) = delete;
    DesktopEntries &operator=(const DesktopEntries &) = delete;

private:
    struct Entry {
        QString id;
        QString name;
        QString startupWMClass;
        QString icon;
        QString path;
        bool listed = true; // whether a menu on this desktop shows it
    };
    void loadIfStale();
    // Reads the entries of one folder and of its subfolders, watching each before it is read.
    void loadFolder(const QString &root, const QString &folder, const QString &locale);
    std::optional<Entry> readEntry(const QString &id, const QString &path,
                                   const QString &locale) const;

    QStringList dataDirs_;
    QStringList currentDesktops_;
    std::mutex mutex_;
    QHash<QString, Entry> byId_;
    QHash<QString, QString> idByLowerId_;
    QHash<QString, QString> idByLowerWmClass_;
    QStringList order_; // ids in the order they were found
    // The entries are read again when their folders change. Where a folder cannot be watched,
    // they are read again a minute after the last time instead, on a clock that no setting of
    // the date moves.
    FolderWatch watch_;
    bool loaded_ = false;
    std::chrono::steady_clock::time_point loadedAt_;
    // The first reading starts with the object, in the background: reading hundreds of files
    // takes long enough to be felt in the first restore, whose scan names the windows by them.
    // Whoever asks before it is done waits for it. Last, so that it is waited for before
    // anything it uses goes.
    std::future<void> first_;
};

} // namespace ostrel::x11
