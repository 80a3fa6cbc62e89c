#pragma once

#include "system/ApplicationIcons.h"
#include "system/x11/DesktopEntries.h"

namespace ostrel::x11 {

// Icons of installed applications from their desktop entries: an application's bundle identifier
// on X11 is its desktop-entry id.
class X11ApplicationIcons : public ApplicationIcons {
public:
    // The folders holding "applications"; the XDG defaults when empty.
    explicit X11ApplicationIcons(QStringList dataDirs = {})
        : entries_(std::move(dataDirs))
    {
    }

    std::optional<QString> icon(const QString &bundleID) override
    {
        return entries_.icon(bundleID);
    }

private:
    DesktopEntries entries_;
};

} // namespace ostrel::x11
