#pragma once

#include "system/SystemAppearance.h"
#include "system/x11/PortalSettings.h"
#include "system/x11/XSettings.h"

#include <QObject>

#include <memory>

namespace ostrel::x11 {

// The desktop's light or dark preference: the portal's "color-scheme" setting; where no portal
// answers or it states no preference, the theme the desktop's XSETTINGS name (a dark one, such
// as Adwaita-dark, prefers dark); none while neither says.
class X11Appearance : public QObject, public SystemAppearance {
    Q_OBJECT

public:
    // Without an X connection only the portal is asked.
    explicit X11Appearance(QDBusConnection bus = QDBusConnection::sessionBus(),
                           std::shared_ptr<X11Connection> connection = nullptr,
                           QObject *parent = nullptr);

    std::optional<bool> prefersDark() const override;

    // Whether a theme of that name is a dark one.
    static bool isDarkTheme(const QString &name);
    QMetaObject::Connection onChanged(QObject *context, std::function<void()> handler) override;

signals:
    void changed();

private:
    void apply(const QString &group, const QString &key, const QVariant &value);

    PortalSettings portal_;
    XSettings xsettings_;
    std::optional<bool> portalPrefersDark_;
    std::optional<bool> prefersDark_;
};

} // namespace ostrel::x11
