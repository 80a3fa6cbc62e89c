#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QHash>
#include <QObject>
#include <QProcess>
#include <QVariant>

namespace ostrel::test {

// A desktop portal's settings on a private session bus of its own, for tests of what the program
// reads from the portal: values it answers, changes it announces.
class PortalOnPrivateBus : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    PortalOnPrivateBus();
    ~PortalOnPrivateBus() override;

    bool started() const { return started_; }
    // Puts the portal on the bus; until then nobody answers.
    bool publish();
    // A connection for the code under test.
    QDBusConnection client();

    void set(const QString &group, const QString &key, const QVariant &value);
    // Sets the value and announces the change.
    void change(const QString &group, const QString &key, const QVariant &value);

public slots:
    QDBusVariant Read(const QString &group, const QString &key, const QDBusMessage &message);

private:
    QProcess daemon_;
    QString address_;
    QDBusConnection service_{QString()};
    QHash<QString, QVariant> values_;
    bool started_ = false;
};

} // namespace ostrel::test
