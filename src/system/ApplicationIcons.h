#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// Where an installed application's icon comes from, by its bundle identifier.
//
// A backend must answer on the main thread, at once; it may keep what it read for a while, but
// notices an application installed or removed within a minute.
class ApplicationIcons {
public:
    virtual ~ApplicationIcons() = default;

    // The application's icon as an icon-theme name or an absolute file path; the empty text when
    // the application is installed but names no icon; absent when no installed application has
    // this identifier.
    virtual std::optional<QString> icon(const QString &bundleID) = 0;
};

} // namespace ostrel
