#include "system/x11/X11InstalledApplications.h"

#include <QFileInfo>

#include <algorithm>

namespace ostrel::x11 {

namespace {

InstalledApplication installed(const DesktopEntries::Application &entry)
{
    return {entry.id, entry.name, entry.icon, entry.path};
}

// What a list of applications is sorted by: the name, or the file's name where it has none.
QString sortName(const InstalledApplication &application)
{
    const QString name = application.name.trimmed();
    return name.isEmpty() ? QFileInfo(application.location).completeBaseName() : name;
}

} // namespace

X11InstalledApplications::X11InstalledApplications(QStringList dataDirs,
                                                   std::optional<QStringList> currentDesktops)
    : entries_(std::move(dataDirs), std::move(currentDesktops))
{
}

QList<InstalledApplication> X11InstalledApplications::applications()
{
    QList<InstalledApplication> found;
    for (const DesktopEntries::Application &entry : entries_.applications()) {
        found.append(installed(entry));
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        return QString::localeAwareCompare(sortName(a).toLower(), sortName(b).toLower()) < 0;
    });
    return found;
}

std::optional<InstalledApplication> X11InstalledApplications::identify(const QString &location)
{
    const std::optional<DesktopEntries::Application> entry = entries_.entryAt(location);
    if (!entry) {
        return std::nullopt;
    }
    return installed(*entry);
}

} // namespace ostrel::x11
