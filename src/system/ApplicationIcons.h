#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// One bitmap of the icon an application's window publishes itself: width × height pixels, ARGB
// (not premultiplied), row by row.
struct IconBitmap {
    int width = 0;
    int height = 0;
    QList<quint32> argb;

    friend bool operator==(const IconBitmap &, const IconBitmap &) = default;
};

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

    // The icon the application's open windows publish themselves, at every size they give it,
    // for an application whose desktop entry gives none (or that has no entry); empty when no
    // window of it gives one.
    virtual QList<IconBitmap> windowIcons(const QString &bundleID)
    {
        Q_UNUSED(bundleID);
        return {};
    }
};

} // namespace ostrel
