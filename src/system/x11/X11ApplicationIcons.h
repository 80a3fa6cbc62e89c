#pragma once

#include "system/ApplicationIcons.h"
#include "system/x11/DesktopEntries.h"

namespace ostrel::x11 {

// Icons of installed applications from their desktop entries: an application's bundle identifier
// on X11 is its desktop-entry id.
class X11ApplicationIcons : public ApplicationIcons {
public:
    // The entries must outlive this.
    explicit X11ApplicationIcons(DesktopEntries &entries) : entries_(entries) {}

    std::optional<QString> icon(const QString &bundleID) override { return entries_.icon(bundleID); }

private:
    DesktopEntries &entries_;
};

} // namespace ostrel::x11
