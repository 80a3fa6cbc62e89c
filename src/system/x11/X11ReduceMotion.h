#pragma once

#include "system/ReduceMotion.h"
#include "system/x11/PortalSettings.h"

#include <QDBusConnection>
#include <QObject>

#include <optional>

namespace ostrel {

// The desktop's animation setting, read from the desktop portal's settings on the session bus:
// "reduced-motion" of org.freedesktop.appearance where the portal knows it, else GNOME's
// "enable-animations" (which GTK's gtk-enable-animations follows). Nothing answering, or no bus
// at all, means motion is allowed; that is never an error.
class X11ReduceMotion : public QObject, public ReduceMotion {
    Q_OBJECT

public:
    explicit X11ReduceMotion(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject *parent = nullptr);

    bool reduceMotion() const override;
    QMetaObject::Connection onChanged(QObject *context, std::function<void(bool)> handler) override;

signals:
    void changed(bool value);

private:
    void apply(const QString &group, const QString &key, const QVariant &value);

    x11::PortalSettings portal_;
    std::optional<bool> appearanceReduced_;
    std::optional<bool> animationsEnabled_;
    bool value_ = false;
};

} // namespace ostrel
