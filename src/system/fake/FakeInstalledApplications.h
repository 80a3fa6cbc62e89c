#pragma once

#include "system/InstalledApplications.h"

#include <QHash>

#include <algorithm>

namespace ostrel {

// Installed applications as a table by location; a location added as unreadable is a file that
// stands for no application.
class FakeInstalledApplications final : public InstalledApplications {
public:
    // Installs an application found at `location` ("/apps/<id>.desktop" when none is given).
    InstalledApplication install(const QString &bundleID, const QString &name,
                                 QString location = {}, const QString &icon = {})
    {
        if (location.isEmpty()) {
            location = QStringLiteral("/apps/") + bundleID + QStringLiteral(".desktop");
        }
        const InstalledApplication application{bundleID, name, icon, location};
        installed_.insert(location, application);
        return application;
    }
    void uninstall(const QString &location) { installed_.remove(location); }
    // How often a location was identified.
    int identifications(const QString &location) const { return identified_.value(location); }

    QList<InstalledApplication> applications() override
    {
        QList<InstalledApplication> all = installed_.values();
        std::sort(all.begin(), all.end(), [](const auto &a, const auto &b) {
            const int order = QString::compare(a.name, b.name, Qt::CaseInsensitive);
            return order != 0 ? order < 0 : a.location < b.location;
        });
        return all;
    }

    std::optional<InstalledApplication> identify(const QString &location) override
    {
        ++identified_[location];
        const auto found = installed_.constFind(location);
        if (found == installed_.constEnd()) {
            return std::nullopt;
        }
        return *found;
    }

private:
    QHash<QString, InstalledApplication> installed_;
    QHash<QString, int> identified_;
};

} // namespace ostrel
