#include "system/x11/X11ApplicationIcons.h"

#include "system/x11/X11Desktop.h"

#include <QMutexLocker>

#include <algorithm>

namespace ostrel::x11 {

QList<IconBitmap> X11ApplicationIcons::parseWindowIcon(const quint32 *values, quint32 count)
{
    QList<IconBitmap> bitmaps;
    quint32 at = 0;
    while (values && count - at >= 2) {
        const quint32 width = values[at];
        const quint32 height = values[at + 1];
        at += 2;
        if (width == 0 || height == 0 || width > 4096 || height > 4096
            || quint64(width) * height > count - at) {
            break;
        }
        IconBitmap bitmap;
        bitmap.width = int(width);
        bitmap.height = int(height);
        bitmap.argb = QList<quint32>(values + at, values + at + quint64(width) * height);
        at += width * height;
        bitmaps.append(std::move(bitmap));
    }
    return bitmaps;
}

QList<IconBitmap> X11ApplicationIcons::windowIcons(const QString &bundleID)
{
    if (!desktop_ || bundleID.isEmpty()) {
        return {};
    }
    const auto now = std::chrono::steady_clock::now();
    {
        QMutexLocker lock(&mutex_);
        const auto found = reads_.constFind(bundleID);
        if (found != reads_.constEnd() && now - found->at < windowIconLifetime) {
            return found->bitmaps;
        }
    }
    QList<IconBitmap> bitmaps;
    const Deadline deadline = deadlineIn(0.3);
    if (const auto snapshot = desktop_->snapshot(deadline)) {
        X11Connection &connection = desktop_->connection();
        for (const X11WindowInfo &info : snapshot->windows) {
            if (desktop_->identify(info).bundleID != bundleID) {
                continue;
            }
            auto reply = connection.reply<xcb_get_property_reply_t>(
                xcb_get_property(connection.raw(), 0, info.window, connection.atom(Atom::NetWmIcon),
                                 XCB_ATOM_CARDINAL, 0, windowIconLimit),
                deadline);
            if (!reply.ok() || reply->format != 32) {
                continue;
            }
            const auto *values =
                static_cast<const quint32 *>(xcb_get_property_value(reply.reply.get()));
            const int length = xcb_get_property_value_length(reply.reply.get()) / 4;
            bitmaps = parseWindowIcon(values, quint32(std::max(0, length)));
            if (!bitmaps.isEmpty()) {
                break;
            }
        }
    }
    QMutexLocker lock(&mutex_);
    reads_.insert(bundleID, Read{now, bitmaps});
    return bitmaps;
}

} // namespace ostrel::x11
