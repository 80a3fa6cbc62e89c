#pragma once

#include "system/ApplicationIcons.h"

#include <QHash>

namespace ostrel {

// Installed applications as a table from bundle identifier to icon (name or path).
class FakeApplicationIcons final : public ApplicationIcons {
public:
    void install(const QString &bundleID, const QString &icon) { icons_.insert(bundleID, icon); }
    void uninstall(const QString &bundleID) { icons_.remove(bundleID); }
    // What the application's windows publish as their icon.
    void setWindowIcons(const QString &bundleID, QList<IconBitmap> bitmaps)
    {
        windowIcons_.insert(bundleID, std::move(bitmaps));
    }
    // How often the icon of this application was asked for.
    int lookups(const QString &bundleID) const { return lookups_.value(bundleID); }

    std::optional<QString> icon(const QString &bundleID) override
    {
        ++lookups_[bundleID];
        const auto found = icons_.constFind(bundleID);
        if (found == icons_.constEnd()) {
            return std::nullopt;
        }
        return *found;
    }

    QList<IconBitmap> windowIcons(const QString &bundleID) override
    {
        return windowIcons_.value(bundleID);
    }

private:
    QHash<QString, QString> icons_;
    QHash<QString, QList<IconBitmap>> windowIcons_;
    QHash<QString, int> lookups_;
};

} // namespace ostrel
