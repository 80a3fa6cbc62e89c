#include "TestApplication.h"

#include "system/x11/X11ReduceMotion.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QHash>
#include <QProcess>

#include <functional>

namespace ostrel {
namespace {

// The desktop portal's settings, as far as the switch asks them.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    QHash<QString, QVariant> values; // "group key" → value

public slots:
    QDBusVariant Read(const QString &group, const QString &key, const QDBusMessage &message)
    {
        const auto found = values.constFind(group + ' ' + key);
        if (found == values.constEnd()) {
            message.setDelayedReply(true);
            connection->send(message.createErrorReply(
                QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("none")));
            return {};
        }
        // Older portals wrap the value twice, as this one does.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(*found)));
    }

public:
    QDBusConnection *connection = nullptr;

    void change(const QString &group, const QString &key, const QVariant &value)
    {
        values.insert(group + ' ' + key, value);
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"));
        signal << group << key << QVariant::fromValue(QDBusVariant(value));
        connection->send(signal);
    }
};

bool waitFor(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(5000);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}

class X11ReduceMotionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::ensureApplication();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(waitFor([&] { return daemon.canReadLine(); }));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        service = QDBusConnection::connectToBus(address, QStringLiteral("portal"));
        ASSERT_TRUE(service.isConnected());
        portal.connection = &service;
    }

    void publish()
    {
        ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"),
                                           &portal, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }

    QDBusConnection client() { return QDBusConnection::connectToBus(address, QStringLiteral("client")); }

    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        daemon.kill();
        daemon.waitForFinished();
    }

    QProcess daemon;
    QString address;
    QDBusConnection service{QString()};
    FakePortal portal;
};

TEST_F(X11ReduceMotionTest, NoBusAndNoPortalMeanMotionAllowed)
{
    X11ReduceMotion detached{QDBusConnection(QStringLiteral("nothing"))};
    EXPECT_FALSE(detached.reduceMotion());

    X11ReduceMotion unanswered{client()};
    QDeadlineTimer settle(200);
    while (!settle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_FALSE(unanswered.reduceMotion());
}

TEST_F(X11ReduceMotionTest, ReadsAndFollowsTheDesktopSetting)
{
    portal.values.insert(QStringLiteral("org.gnome.desktop.interface enable-animations"), false);
    publish();
    X11ReduceMotion reduce{client()};
    QList<bool> seen;
    QObject context;
    reduce.onChanged(&context, [&](bool value) { seen.push_back(value); });
    ASSERT_TRUE(waitFor([&] { return reduce.reduceMotion(); }));

    portal.change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
                  true);
    ASSERT_TRUE(waitFor([&] { return !reduce.reduceMotion(); }));

    // The portal's own preference wins over GNOME's animation switch.
    portal.change(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("reduced-motion"),
                  QVariant::fromValue(1u));
    ASSERT_TRUE(waitFor([&] { return reduce.reduceMotion(); }));
    portal.change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
                  true);
    portal.change(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("reduced-motion"),
                  QVariant::fromValue(0u));
    ASSERT_TRUE(waitFor([&] { return !reduce.reduceMotion(); }));
    EXPECT_EQ(seen, (QList<bool>{true, false, true, false}));

    // Values of the wrong kind change nothing.
    portal.change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
                  QStringLiteral("no"));
    QDeadlineTimer settle(100);
    while (!settle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_FALSE(reduce.reduceMotion());
}

} // namespace
} // namespace ostrel

#include "X11ReduceMotionTest.moc"
