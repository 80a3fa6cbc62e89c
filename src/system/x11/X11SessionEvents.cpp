#include "system/x11/X11SessionEvents.h"

#include "system/x11/DBusCalls.h"

#include <QDBusArgument>
#include <QDBusObjectPath>

#include <unistd.h>

namespace ostrel::x11 {

namespace {

const QString login1Service = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString userInterface = QStringLiteral("org.freedesktop.login1.User");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

std::optional<QString> objectPath(const QVariant &value)
{
    if (value.metaType() != QMetaType::fromType<QDBusObjectPath>()) {
        return std::nullopt;
    }
    const QString path = value.value<QDBusObjectPath>().path();
    if (path.isEmpty() || path == QStringLiteral("/")) {
        return std::nullopt; // logind's way of saying "none"
    }
    return path;
}

QVariantMap propertyMap(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    }
    return value.toMap();
}

} // namespace

X11SessionEvents::X11SessionEvents(QDBusConnection systemBus, QObject *parent)
    : SessionEvents(parent)
    , bus_(std::move(systemBus))
{
    if (!bus_.isConnected()) {
        answered_ = true;
        return;
    }
    findByProcess();
}

std::optional<SessionState> X11SessionEvents::sessionState() const
{
    SessionState state;
    state.screenLocked = locked_;
    state.onConsole = active_;
    if (state_ == QStringLiteral("closing")) {
        state.loginDone = false;
    } else if (state_ == QStringLiteral("online") || state_ == QStringLiteral("active")) {
        state.loginDone = true;
    }
    return state;
}

void X11SessionEvents::findByProcess()
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        login1Service, managerPath, managerInterface, QStringLiteral("GetSessionByPID"));
    message << static_cast<uint>(getpid());
    callAsync(bus_, message, callTimeoutMs, this, [this](const QDBusMessage &reply) {
        if (const auto path = objectPath(firstArgument(reply))) {
            follow(*path);
        } else if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")
                   || reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NoReply")) {
            finish(); // no logind on this bus, or one that does not answer
        } else {
            findDisplaySession();
        }
    });
}

void X11SessionEvents::findDisplaySession()
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        login1Service, managerPath, managerInterface, QStringLiteral("GetUser"));
    message << static_cast<uint>(getuid());
    callAsync(bus_, message, callTimeoutMs, this, [this](const QDBusMessage &reply) {
        const auto user = objectPath(firstArgument(reply));
        if (!user) {
            finish();
            return;
        }
        QDBusMessage get = QDBusMessage::createMethodCall(login1Service, *user, propertiesInterface,
                                                          QStringLiteral("Get"));
        get << userInterface << QStringLiteral("Display");
        callAsync(bus_, get, callTimeoutMs, this, [this](const QDBusMessage &reply) {
            // Display is a (session id, session path) pair.
            const QVariant value = firstArgument(reply);
            std::optional<QString> path;
            if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
                const QDBusArgument argument = value.value<QDBusArgument>();
                if (argument.currentSignature() == QStringLiteral("(so)")) {
                    QString id;
                    QDBusObjectPath object;
                    argument.beginStructure();
                    argument >> id >> object;
                    argument.endStructure();
                    path = objectPath(QVariant::fromValue(object));
                }
            }
            if (path) {
                follow(*path);
            } else {
                finish();
            }
        });
    });
}

void X11SessionEvents::follow(const QString &path)
{
    path_ = path;
    // The subscriptions go out before the first read, so no change between the two is lost.
    bus_.connect(login1Service, path_, propertiesInterface, QStringLiteral("PropertiesChanged"),
                 this, SLOT(propertiesChanged(QDBusMessage)));
    bus_.connect(login1Service, path_, sessionInterface, QStringLiteral("Lock"), this,
                 SLOT(lockRequested()));
    bus_.connect(login1Service, path_, sessionInterface, QStringLiteral("Unlock"), this,
                 SLOT(unlockRequested()));
    readProperties();
}

void X11SessionEvents::readProperties()
{
    QDBusMessage message = QDBusMessage::createMethodCall(login1Service, path_, propertiesInterface,
                                                          QStringLiteral("GetAll"));
    message << sessionInterface;
    callAsync(bus_, message, callTimeoutMs, this, [this](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            apply(propertyMap(reply.arguments().constFirst()));
        }
        finish();
    });
}

void X11SessionEvents::propertiesChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3 || arguments[0].toString() != sessionInterface) {
        return;
    }
    apply(propertyMap(arguments[1]));
    // A property announced only as changed, without its value, is read afresh.
    const QStringList invalidated = arguments[2].toStringList();
    for (const QString &name :
         {QStringLiteral("Active"), QStringLiteral("LockedHint"), QStringLiteral("State")}) {
        if (invalidated.contains(name)) {
            readProperties();
            break;
        }
    }
}

void X11SessionEvents::apply(const QVariantMap &properties)
{
    const QVariant active = unwrapVariant(properties.value(QStringLiteral("Active")));
    if (active.metaType() == QMetaType::fromType<bool>()) {
        // Until logind answers the session counts as active, so only a change from that is news.
        const bool was = active_.value_or(true);
        active_ = active.toBool();
        if (*active_ != was) {
            if (*active_) {
                emit sessionDidBecomeActive();
            } else {
                emit sessionDidResignActive();
            }
        }
    }
    const QVariant locked = unwrapVariant(properties.value(QStringLiteral("LockedHint")));
    // Only a change of the hint is news: a fresh read that repeats it must not undo a Lock or
    // Unlock request that came since.
    if (locked.metaType() == QMetaType::fromType<bool>() && locked.toBool() != lockedHint_) {
        lockedHint_ = locked.toBool();
        setLocked(*lockedHint_);
    }
    const QVariant state = unwrapVariant(properties.value(QStringLiteral("State")));
    if (state.metaType() == QMetaType::fromType<QString>()) {
        state_ = state.toString();
    }
}

void X11SessionEvents::lockRequested()
{
    setLocked(true);
}

void X11SessionEvents::unlockRequested()
{
    setLocked(false);
}

void X11SessionEvents::setLocked(bool locked)
{
    // Lock and LockedHint usually both report one lock: it is announced once.
    const bool was = locked_.value_or(false);
    locked_ = locked;
    if (locked != was) {
        if (locked) {
            emit screenLocked();
        } else {
            emit screenUnlocked();
        }
    }
}

void X11SessionEvents::finish()
{
    if (!answered_) {
        answered_ = true;
        emit answered();
    }
}

} // namespace ostrel::x11
