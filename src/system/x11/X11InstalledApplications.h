#pragma once

#include "system/InstalledApplications.h"
#include "system/x11/DesktopEntries.h"

namespace ostrel::x11 {

// Installed applications from their desktop entries: an application's bundle identifier on X11
// is its desktop-entry id, the same id window scans give its windows.
class X11InstalledApplications : public InstalledApplications {
public:
    // The folders holding "applications"; the XDG defaults when empty. `currentDesktops` decide
    // which entries a menu here shows (XDG_CURRENT_DESKTOP's names when absent).
    explicit X11InstalledApplications(QStringList dataDirs = {},
                                      std::optional<QStringList> currentDesktops = std::nullopt);

    QList<InstalledApplication> applications() override;
    std::optional<InstalledApplication> identify(const QString &location) override;

private:
    DesktopEntries entries_;
};

} // namespace ostrel::x11
