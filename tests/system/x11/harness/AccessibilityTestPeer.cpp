// The other side of the accessibility bus for the X11 tests, as small as the program's reads
// need, in one of two roles:
//
//   --launcher --address ADDRESS [--enabled]
//       the desktop's bus launcher on the session bus (DBUS_SESSION_BUS_ADDRESS): org.a11y.Bus's
//       GetAddress and org.a11y.Status.IsEnabled. Told "enable" or "disable" on its standard
//       input, it answers "ok".
//   --browser --address ADDRESS
//       a browser on the accessibility bus at ADDRESS: an AT-SPI application whose frames, the
//       containers below them and their documents are scripted by one JSON line on its standard
//       input, {"frames": [{"extents": [x, y, w, h], "name": "...", "address": "...",
//       "key": "DocURL", "embeds": true, "depth": 2, "answers": true}]}, answered "ok". A frame
//       that does not answer never replies to anything asked of it or below it. The line
//       "calls" is answered "calls N": how many calls it was asked so far.
//
// Each prints "ready" once it is on its bus, and ends when its standard input closes or its
// parent dies.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

namespace {

const QString prefix = QStringLiteral("/org/a11y/atspi/accessible/");

struct Frame {
    int x = 0, y = 0, width = 0, height = 0;
    QString name;
    QString address;
    QString key = QStringLiteral("DocURL");
    bool embeds = true;
    int depth = 2;
    bool answers = true;
};

void say(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// An object as AT-SPI names one, a(so), and a relation, (ua(so)).
struct ObjectRef {
    QString bus;
    QDBusObjectPath path;
};
struct Relation {
    quint32 type = 0;
    QList<ObjectRef> targets;
};

QDBusArgument &operator<<(QDBusArgument &out, const ObjectRef &object)
{
    out.beginStructure();
    out << object.bus << object.path;
    out.endStructure();
    return out;
}
const QDBusArgument &operator>>(const QDBusArgument &in, ObjectRef &object)
{
    in.beginStructure();
    in >> object.bus >> object.path;
    in.endStructure();
    return in;
}
QDBusArgument &operator<<(QDBusArgument &out, const Relation &relation)
{
    out.beginStructure();
    out << relation.type << relation.targets;
    out.endStructure();
    return out;
}
const QDBusArgument &operator>>(const QDBusArgument &in, Relation &relation)
{
    in.beginStructure();
    in >> relation.type >> relation.targets;
    in.endStructure();
    return in;
}

} // namespace

Q_DECLARE_METATYPE(ObjectRef)
Q_DECLARE_METATYPE(Relation)

namespace {

QList<ObjectRef> objects(const QString &bus, const QStringList &names)
{
    QList<ObjectRef> list;
    for (const QString &name : names) {
        list.append(ObjectRef{bus, QDBusObjectPath(prefix + name)});
    }
    return list;
}

class Launcher : public QDBusVirtualObject {
public:
    QString address;
    bool enabled = false;

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        QDBusMessage reply;
        if (message.member() == QLatin1String("GetAddress")) {
            reply = message.createReply(address);
        } else if (message.member() == QLatin1String("Get")
                   && message.arguments().value(1).toString() == QLatin1String("IsEnabled")) {
            reply = message.createReply(QVariant::fromValue(QDBusVariant(enabled)));
        } else {
            reply = message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), message.member());
        }
        connection.send(reply);
        return true;
    }
};

class Browser : public QDBusVirtualObject {
public:
    QList<Frame> frames;
    int calls = 0;

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        ++calls;
        const QString bus = connection.baseService();
        const QString name = message.path().mid(prefix.size());
        const QString member = message.member();
        auto send = [&](const QVariant &value) { connection.send(message.createReply(value)); };
        auto fail = [&] {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), member));
        };
        if (name == QLatin1String("root")) {
            if (member == QLatin1String("GetChildren")) {
                QStringList names;
                for (qsizetype i = 0; i < frames.size(); ++i) {
                    names << QStringLiteral("f%1").arg(i);
                }
                send(QVariant::fromValue(objects(bus, names)));
            } else if (member == QLatin1String("GetRole")) {
                send(QVariant::fromValue(quint32(75)));
            } else {
                fail();
            }
            return true;
        }
        // f<i>, f<i>c<k> (the containers on the way down) or d<i> (the document).
        const bool isDocument = name.startsWith(QLatin1Char('d'));
        const qsizetype containerAt = name.indexOf(QLatin1Char('c'));
        const int index = (containerAt < 0 ? name.mid(1) : name.mid(1, containerAt - 1)).toInt();
        const int level = containerAt < 0 ? 0 : name.mid(containerAt + 1).toInt();
        if (index < 0 || index >= frames.size()) {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"), name));
            return true;
        }
        const Frame &frame = frames[index];
        if (!frame.answers) {
            return true; // asked, and never answers
        }
        const QString document = QStringLiteral("d%1").arg(index);
        auto below = [&](int containerLevel) {
            return containerLevel + 1 < frame.depth
                ? QStringLiteral("f%1c%2").arg(index).arg(containerLevel + 1)
                : document;
        };
        if (member == QLatin1String("GetChildren")) {
            send(QVariant::fromValue(
                objects(bus, isDocument ? QStringList{} : QStringList{below(level)})));
        } else if (member == QLatin1String("GetRole")) {
            send(QVariant::fromValue(quint32(isDocument ? 95 : level == 0 ? 23 : 39)));
        } else if (member == QLatin1String("GetExtents") && !isDocument && level == 0) {
            QDBusArgument extents;
            extents.beginStructure();
            extents << frame.x << frame.y << frame.width << frame.height;
            extents.endStructure();
            send(QVariant::fromValue(extents));
        } else if (member == QLatin1String("Get") && !isDocument && level == 0
                   && message.arguments().value(1).toString() == QLatin1String("Name")) {
            send(QVariant::fromValue(QDBusVariant(frame.name)));
        } else if (member == QLatin1String("GetRelationSet")) {
            QList<Relation> relations;
            if (!isDocument && level == 0 && frame.embeds) {
                relations.append(Relation{13, objects(bus, {document})});
            }
            send(QVariant::fromValue(relations));
        } else if (member == QLatin1String("GetAttributes") && isDocument) {
            send(QVariant::fromValue(
                QMap<QString, QString>{{frame.key, frame.address},
                                       {QStringLiteral("MimeType"), QStringLiteral("text/html")}}));
        } else {
            fail();
        }
        return true;
    }
};

QList<Frame> framesFrom(const QJsonArray &list)
{
    QList<Frame> frames;
    for (const QJsonValue &value : list) {
        const QJsonObject o = value.toObject();
        Frame frame;
        const QJsonArray extents = o.value(QStringLiteral("extents")).toArray();
        frame.x = extents.at(0).toInt();
        frame.y = extents.at(1).toInt();
        frame.width = extents.at(2).toInt();
        frame.height = extents.at(3).toInt();
        frame.name = o.value(QStringLiteral("name")).toString();
        frame.address = o.value(QStringLiteral("address")).toString();
        frame.key = o.value(QStringLiteral("key")).toString(frame.key);
        frame.embeds = o.value(QStringLiteral("embeds")).toBool(true);
        frame.depth = o.value(QStringLiteral("depth")).toInt(2);
        frame.answers = o.value(QStringLiteral("answers")).toBool(true);
        frames.append(frame);
    }
    return frames;
}

} // namespace

int main(int argc, char **argv)
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    QCoreApplication application(argc, argv);
    qDBusRegisterMetaType<ObjectRef>();
    qDBusRegisterMetaType<QList<ObjectRef>>();
    qDBusRegisterMetaType<Relation>();
    qDBusRegisterMetaType<QList<Relation>>();
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const QStringList args = application.arguments();
    const QString address = args.value(args.indexOf(QStringLiteral("--address")) + 1);
    Launcher launcher;
    Browser browser;
    std::function<void(const QByteArray &)> command;
    if (args.contains(QStringLiteral("--launcher"))) {
        launcher.address = address;
        launcher.enabled = args.contains(QStringLiteral("--enabled"));
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.registerVirtualObject(QStringLiteral("/org/a11y/bus"), &launcher)
            || !bus.registerService(QStringLiteral("org.a11y.Bus"))) {
            say("error: not on the session bus");
            return 1;
        }
        command = [&](const QByteArray &line) {
            launcher.enabled = line == "enable";
            say("ok");
        };
    } else if (args.contains(QStringLiteral("--browser"))) {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("browser"));
        if (!bus.registerVirtualObject(QStringLiteral("/org/a11y/atspi/accessible"), &browser,
                                       QDBusConnection::SubPath)) {
            say("error: not on the accessibility bus");
            return 1;
        }
        command = [&](const QByteArray &line) {
            if (line == "calls") {
                std::printf("calls %d\n", browser.calls);
                std::fflush(stdout);
                return;
            }
            browser.frames = framesFrom(
                QJsonDocument::fromJson(line).object().value(QStringLiteral("frames")).toArray());
            say("ok");
        };
    } else {
        say("error: --launcher or --browser");
        return 2;
    }

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, n);
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (line == "quit") {
                QCoreApplication::quit();
                return;
            }
            command(line);
        }
    });
    say("ready");
    return application.exec();
}
