#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariant>

namespace ostrel::x11 {

// The desktop portal's settings on the session bus: values read once on request and every
// change after. A desktop without a portal, or without a bus at all, simply never answers.
class PortalSettings : public QObject {
    Q_OBJECT

public:
    explicit PortalSettings(QDBusConnection bus, QObject *parent = nullptr);

    // Asks for one setting; `valueChanged` brings the answer when there is one.
    void read(const QString &group, const QString &key);

signals:
    void valueChanged(const QString &group, const QString &key, const QVariant &value);

private slots:
    void settingChanged(const QDBusMessage &message);

private:
    QDBusConnection bus_;
};

} // namespace ostrel::x11
