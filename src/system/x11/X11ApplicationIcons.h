#pragma once

#include "system/ApplicationIcons.h"
#include "system/x11/DesktopEntries.h"

#include <QHash>
#include <QMutex>

#include <chrono>

namespace ostrel::x11 {

class X11Desktop;

// Icons of installed applications from their desktop entries (an application's bundle identifier
// on X11 is its desktop-entry id), and, for one whose entry gives none, the _NET_WM_ICON its
// open windows publish.
class X11ApplicationIcons : public ApplicationIcons {
public:
    // What a window icon read stays good for: the views ask on every paint.
    static constexpr std::chrono::seconds windowIconLifetime{10};
    // The largest _NET_WM_ICON read, in 32-bit values (a 512 × 512 icon and some smaller ones).
    static constexpr quint32 windowIconLimit = 512 * 512 * 2;

    // The folders holding "applications" (the XDG defaults when empty); the windows of `desktop`
    // (may be null: no window icons), which must outlive this.
    explicit X11ApplicationIcons(QStringList dataDirs = {}, X11Desktop *desktop = nullptr)
        : entries_(std::move(dataDirs))
        , desktop_(desktop)
    {
    }

    std::optional<QString> icon(const QString &bundleID) override
    {
        return entries_.icon(bundleID);
    }

    QList<IconBitmap> windowIcons(const QString &bundleID) override;

    // The bitmaps of a _NET_WM_ICON value (width, height, then the pixels, for each size); a
    // size that claims more pixels than follow ends the list.
    static QList<IconBitmap> parseWindowIcon(const quint32 *values, quint32 count);

private:
    struct Read {
        std::chrono::steady_clock::time_point at;
        QList<IconBitmap> bitmaps;
    };

    DesktopEntries entries_;
    X11Desktop *desktop_;
    QMutex mutex_;
    QHash<QString, Read> reads_;
};

} // namespace ostrel::x11
