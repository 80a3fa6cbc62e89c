// The login session, sleep and the screen saver against small fake services on private buses
// (never the machine's own: both bus addresses of the environment point at the private ones).
#include "Await.h"
#include "TestApplication.h"

#include "system/x11/X11PowerEvents.h"
#include "system/x11/X11SessionEvents.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

namespace ostrel::x11 {
namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString ownSession = QStringLiteral("/org/freedesktop/login1/session/_32");
const QString displaySession = QStringLiteral("/org/freedesktop/login1/session/c7");
const QString userPath = QStringLiteral("/org/freedesktop/login1/user/_1000");

// As much of systemd-logind as the session events ask of it: the manager's lookups and
// PrepareForSleep, the sessions' properties and signals, and the user's display session.
class FakeLogind : public QDBusVirtualObject {
public:
    QDBusConnection *bus = nullptr;
    std::optional<QString> sessionOfThisProcess = ownSession;
    QString userDisplay = QStringLiteral("/"); // logind's "none"
    QHash<QString, QVariantMap> sessions;

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        const QList<QVariant> args = message.arguments();
        QDBusMessage reply;
        if (message.interface() == managerInterface
            && message.member() == QStringLiteral("GetSessionByPID")) {
            if (sessionOfThisProcess && args.value(0).toUInt() == uint(getpid())) {
                reply = message.createReply(
                    QVariant::fromValue(QDBusObjectPath(*sessionOfThisProcess)));
            } else {
                reply = message.createErrorReply(
                    QStringLiteral("org.freedesktop.login1.NoSessionForPID"), {});
            }
        } else if (message.interface() == managerInterface
                   && message.member() == QStringLiteral("GetUser")) {
            reply = message.createReply(QVariant::fromValue(QDBusObjectPath(userPath)));
        } else if (message.path() == userPath && message.member() == QStringLiteral("Get")
                   && args.value(1).toString() == QStringLiteral("Display")) {
            QDBusArgument display;
            display.beginStructure();
            display << QStringLiteral("c7") << QDBusObjectPath(userDisplay);
            display.endStructure();
            reply = message.createReply(
                QVariant::fromValue(QDBusVariant(QVariant::fromValue(display))));
        } else if (sessions.contains(message.path()) && message.member() == QStringLiteral("GetAll")
                   && args.value(0).toString() == sessionInterface) {
            reply = message.createReply(QVariant::fromValue(sessions.value(message.path())));
        } else {
            return false;
        }
        connection.send(reply);
        return true;
    }

    // Changes properties and announces them with their values, or only by name.
    void change(const QString &path, const QVariantMap &values, bool withValues = true,
                const QString &interface = sessionInterface)
    {
        for (auto it = values.begin(); it != values.end(); ++it) {
            sessions[path].insert(it.key(), it.value());
        }
        QDBusMessage signal = QDBusMessage::createSignal(path, propertiesInterface,
                                                         QStringLiteral("PropertiesChanged"));
        signal << interface << (withValues ? values : QVariantMap())
               << (withValues ? QStringList() : values.keys());
        bus->send(signal);
    }
    void emitSignal(const QString &path, const QString &interface, const QString &name,
                    QVariantList args = {})
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(args);
        bus->send(signal);
    }
};

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    bool active = false;
    QDBusConnection *bus = nullptr;

    void setActive(bool value)
    {
        active = value;
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/ScreenSaver"),
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"));
        signal << value;
        bus->send(signal);
    }

public slots:
    bool GetActive() { return active; }
};

// A private bus daemon that starts no services of its own.
class PrivateBus {
public:
    explicit PrivateBus(const QString &name)
        : name_(name)
    {
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(name_ + QStringLiteral("-service"));
        QDBusConnection::disconnectFromBus(name_ + QStringLiteral("-client"));
        daemon_.kill();
        daemon_.waitForFinished();
    }

    bool start()
    {
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly)) {
            return false;
        }
        config.write(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
            "<policy context=\"default\"><allow send_destination=\"*\"/><allow own=\"*\"/>"
            "<allow receive_sender=\"*\"/></policy></busconfig>\n");
        config.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config.fileName(),
                       QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!daemon_.waitForStarted() || !test::waitUntil([&] { return daemon_.canReadLine(); })) {
            return false;
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        return service().isConnected();
    }

    const QString &address() const { return address_; }
    QDBusConnection service()
    {
        return QDBusConnection::connectToBus(address_, name_ + QStringLiteral("-service"));
    }
    QDBusConnection client()
    {
        return QDBusConnection::connectToBus(address_, name_ + QStringLiteral("-client"));
    }

    // A round trip on the client's connection: everything it sent before (signal
    // subscriptions, say) has reached the daemon by the time this returns.
    void roundTrip()
    {
        client().call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    }

private:
    QString name_;
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

class SessionBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_TRUE(systemBus.start());
        ASSERT_TRUE(sessionBus.start());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", systemBus.address().toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus.address().toUtf8());
        systemService = systemBus.service();
        sessionService = sessionBus.service();
        logind.bus = &systemService;
        screenSaver.bus = &sessionService;
        logind.sessions[ownSession] = activeSession();
        logind.sessions[displaySession] = activeSession();
    }

    static QVariantMap activeSession()
    {
        return {{QStringLiteral("Active"), true},
                {QStringLiteral("LockedHint"), false},
                {QStringLiteral("State"), QStringLiteral("active")},
                {QStringLiteral("Id"), QStringLiteral("32")}};
    }

    void publishLogind()
    {
        ASSERT_TRUE(
            systemService.registerVirtualObject(managerPath, &logind, QDBusConnection::SubPath));
        ASSERT_TRUE(systemService.registerService(login1));
    }
    void publishScreenSaver()
    {
        ASSERT_TRUE(sessionService.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                  &screenSaver, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(sessionService.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    }

    // Every signal of the sources, by name, in the order they came.
    void record(SessionEvents &events)
    {
        QObject::connect(&events, &SessionEvents::sessionDidBecomeActive,
                         [this] { seen << "active"; });
        QObject::connect(&events, &SessionEvents::sessionDidResignActive,
                         [this] { seen << "resigned"; });
        QObject::connect(&events, &SessionEvents::screenLocked, [this] { seen << "locked"; });
        QObject::connect(&events, &SessionEvents::screenUnlocked, [this] { seen << "unlocked"; });
    }
    void record(PowerEvents &events)
    {
        QObject::connect(&events, &PowerEvents::willSleep, [this] { seen << "sleep"; });
        QObject::connect(&events, &PowerEvents::didWake, [this] { seen << "wake"; });
        QObject::connect(&events, &PowerEvents::screensDidSleep,
                         [this] { seen << "screens sleep"; });
        QObject::connect(&events, &PowerEvents::screensDidWake, [this] { seen << "screens wake"; });
    }

    PrivateBus systemBus{QStringLiteral("system")};
    PrivateBus sessionBus{QStringLiteral("session")};
    QDBusConnection systemService{QString()};
    QDBusConnection sessionService{QString()};
    FakeLogind logind;
    FakeScreenSaver screenSaver;
    QStringList seen;
};

TEST_F(SessionBusTest, WithoutBusesOrServicesEverythingIsSilentAndTheSessionEligible)
{
    X11SessionEvents detached{QDBusConnection(QStringLiteral("nothing"))};
    X11PowerEvents detachedPower{QDBusConnection(QStringLiteral("nothing")),
                                 QDBusConnection(QStringLiteral("nothing"))};
    EXPECT_TRUE(detached.hasAnswered());
    EXPECT_TRUE(detachedPower.hasAnswered());
    EXPECT_EQ(detached.sessionState(), SessionState{});

    X11SessionEvents unanswered{systemBus.client()};
    X11PowerEvents unansweredPower{systemBus.client(), sessionBus.client()};
    record(unanswered);
    record(unansweredPower);
    ASSERT_TRUE(
        test::waitUntil([&] { return unanswered.hasAnswered() && unansweredPower.hasAnswered(); }));
    EXPECT_EQ(unanswered.sessionState(), SessionState{});
    EXPECT_EQ(seen, QStringList());
}

TEST_F(SessionBusTest, FollowsTheSessionOfThisProcess)
{
    publishLogind();
    X11SessionEvents events{systemBus.client()};
    record(events);
    ASSERT_TRUE(test::waitUntil([&] { return events.hasAnswered(); }));
    EXPECT_EQ(events.sessionState(), (SessionState{false, true, true}));
    EXPECT_EQ(seen, QStringList());

    struct Step {
        const char *what;
        std::function<void()> act;
        QStringList expected;
    };
    using Props = QVariantMap;
    const Step steps[] = {
        {"the locker reports a lock",
         [&] {
             logind.change(ownSession, Props{{"LockedHint", true}});
         },
         {"locked"}},
        {"a lock request while locked",
         [&] { logind.emitSignal(ownSession, sessionInterface, "Lock"); },
         {}},
        {"an unlock request",
         [&] { logind.emitSignal(ownSession, sessionInterface, "Unlock"); },
         {"unlocked"}},
        {"a lock request",
         [&] { logind.emitSignal(ownSession, sessionInterface, "Lock"); },
         {"locked"}},
        {"the locker confirms it",
         [&] {
             logind.change(ownSession, Props{{"LockedHint", true}});
         },
         {}},
        {"the locker lets go",
         [&] {
             logind.change(ownSession, Props{{"LockedHint", false}});
         },
         {"unlocked"}},
        {"another interface's properties",
         [&] {
             logind.change(ownSession, Props{{"Active", false}}, true, "org.example.Other");
             logind.sessions[ownSession]["Active"] = true;
         },
         {}},
        {"a value of the wrong kind",
         [&] {
             logind.change(ownSession, Props{{"Active", "no"}});
             logind.sessions[ownSession]["Active"] = true;
         },
         {}},
        {"another session's lock",
         [&] { logind.emitSignal(displaySession, sessionInterface, "Lock"); },
         {}},
        // Sets a mark: a signal wrongly taken from the steps before would come ahead of it.
        {"a lock request",
         [&] { logind.emitSignal(ownSession, sessionInterface, "Lock"); },
         {"locked"}},
        {"another session takes the seat",
         [&] {
             logind.change(ownSession, Props{{"Active", false}, {"State", "online"}});
         },
         {"resigned"}},
        {"it comes back, announced only by name",
         [&] {
             logind.change(ownSession, Props{{"Active", true}}, false);
         },
         {"active"}},
        {"the session closes",
         [&] {
             logind.change(ownSession, Props{{"State", "closing"}});
         },
         {}},
    };
    QStringList expected;
    for (const Step &step : steps) {
        step.act();
        expected << step.expected;
    }
    // The fake sends everything in order on one connection, so once the last signal is in,
    // every earlier one has been seen (or rightly ignored).
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() >= expected.size(); }));
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(events.sessionState(), (SessionState{true, true, false}));
}

TEST_F(SessionBusTest, TheFirstAnswerAnnouncesAnInactiveLockedSession)
{
    logind.sessions[ownSession] = {{QStringLiteral("Active"), false},
                                   {QStringLiteral("LockedHint"), true},
                                   {QStringLiteral("State"), QStringLiteral("online")}};
    publishLogind();
    X11SessionEvents events{systemBus.client()};
    record(events);
    ASSERT_TRUE(test::waitUntil([&] { return events.hasAnswered(); }));
    EXPECT_EQ(seen, (QStringList{"resigned", "locked"}));
    EXPECT_EQ(events.sessionState(), (SessionState{true, false, true}));
}

TEST_F(SessionBusTest, OutsideAnySessionTheUsersDisplaySessionIsFollowed)
{
    logind.sessionOfThisProcess.reset();
    logind.userDisplay = displaySession;
    logind.sessions[displaySession][QStringLiteral("LockedHint")] = true;
    publishLogind();
    X11SessionEvents events{systemBus.client()};
    record(events);
    ASSERT_TRUE(test::waitUntil([&] { return events.hasAnswered(); }));
    EXPECT_EQ(events.sessionState(), (SessionState{true, true, true}));
    logind.emitSignal(displaySession, sessionInterface, "Unlock");
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (QStringList{"locked", "unlocked"}));
}

TEST_F(SessionBusTest, WithoutAnySessionNothingIsKnown)
{
    logind.sessionOfThisProcess.reset();
    publishLogind();
    X11SessionEvents events{systemBus.client()};
    ASSERT_TRUE(test::waitUntil([&] { return events.hasAnswered(); }));
    EXPECT_EQ(events.sessionState(), SessionState{});
}

TEST_F(SessionBusTest, SleepWakeAndTheScreenSaver)
{
    screenSaver.active = true;
    publishLogind();
    publishScreenSaver();
    X11PowerEvents events{systemBus.client(), sessionBus.client()};
    record(events);
    // A screen saver that runs already has put the screens to sleep.
    ASSERT_TRUE(test::waitUntil([&] { return events.hasAnswered(); }));
    EXPECT_EQ(seen, QStringList{"screens sleep"});

    screenSaver.setActive(true);
    screenSaver.setActive(false);
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() >= 2; }));
    systemBus.roundTrip();
    logind.emitSignal(managerPath, managerInterface, "PrepareForSleep", {true});
    logind.emitSignal(managerPath, managerInterface, "PrepareForSleep", {false});
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() >= 4; }));
    EXPECT_EQ(seen, (QStringList{"screens sleep", "screens wake", "sleep", "wake"}));
}

TEST_F(SessionBusTest, TheDefaultBusesAreTheOnesTheEnvironmentNames)
{
    logind.sessions[ownSession][QStringLiteral("Active")] = false;
    publishLogind();
    X11SessionEvents events{QDBusConnection::systemBus()};
    ASSERT_TRUE(test::waitUntil([&] { return events.hasAnswered(); }));
    EXPECT_EQ(events.sessionState()->onConsole, false);
}

} // namespace
} // namespace ostrel::x11

#include "SessionBusTest.moc"
