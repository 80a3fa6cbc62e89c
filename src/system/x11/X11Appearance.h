#pragma once

#include "system/SystemAppearance.h"
#include "system/x11/PortalSettings.h"

#include <QObject>

namespace ostrel::x11 {

// The desktop's light or dark preference from the portal's "color-scheme" setting; none while the
// portal is absent or states no preference.
class X11Appearance : public QObject, public SystemAppearance {
    Q_OBJECT

public:
    explicit X11Appearance(QDBusConnection bus = QDBusConnection::sessionBus(),
                           QObject *parent = nullptr);

    std::optional<bool> prefersDark() const override { return prefersDark_; }
    QMetaObject::Connection onChanged(QObject *context, std::function<void()> handler) override;

signals:
    void changed();

private:
    void apply(const QString &group, const QString &key, const QVariant &value);

    PortalSettings portal_;
    std::optional<bool> prefersDark_;
};

} // namespace ostrel::x11
