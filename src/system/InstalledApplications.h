#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// An application installed on this machine, as the user picks it to be left alone.
struct InstalledApplication {
    // The identifier window scans give its windows' application (the bundle identifier).
    QString bundleID;
    // Its name as the desktop states it; may be blank, then the file's name stands in for it.
    QString name;
    // An icon-theme name or an absolute file path; empty when it names none.
    QString icon;
    // The file the application was found in (its desktop entry).
    QString location;

    friend bool operator==(const InstalledApplication &, const InstalledApplication &) = default;
};

// The installed applications a user can pick from, and what a picked file stands for.
//
// A backend answers on the main thread; it may keep what it read for a while, but notices an
// application installed or removed within a minute.
class InstalledApplications {
public:
    virtual ~InstalledApplications() = default;

    // Every installed application, each once, by name.
    virtual QList<InstalledApplication> applications() = 0;

    // The application the file at `location` installs; absent when it is not a readable entry of
    // an installed application, so that it has no identifier window scans would ever give.
    virtual std::optional<InstalledApplication> identify(const QString &location) = 0;
};

} // namespace ostrel
