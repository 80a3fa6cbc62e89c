#include "system/x11/AccessibilityBus.h"

#include "system/x11/DBusCalls.h"
#include "system/x11/X11Log.h"

#include <QDBusError>
#include <QDBusPendingCall>
#include <QDBusPendingReply>

#include <algorithm>
#include <cmath>

namespace ostrel::x11 {

namespace {

const QString launcherService = QStringLiteral("org.a11y.Bus");
const QString launcherPath = QStringLiteral("/org/a11y/bus");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");

// Milliseconds left until the deadline, at least one while any is left; none once it passed.
std::optional<int> millisecondsLeft(Deadline deadline)
{
    const auto left =
        std::chrono::duration<double, std::milli>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return std::nullopt;
    }
    return int(std::min(std::ceil(left.count()), 60000.0));
}

QDBusMessage tooLate(const QDBusMessage &message)
{
    return message.createErrorReply(QDBusError::Timeout, QStringLiteral("deadline passed"));
}

// Asks the session bus without starting anything there: a desktop whose bus launcher is not
// running has no accessibility bus, and the program is not the one to start it.
QDBusMessage launcherCall(const QString &interface, const QString &method)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(launcherService, launcherPath, interface, method);
    message.setAutoStartService(false);
    return message;
}

} // namespace

AccessibilityBus::AccessibilityBus(QDBusConnection sessionBus)
    : sessionBus_(std::move(sessionBus))
{
}

AccessibilityBus::~AccessibilityBus()
{
    if (!connectionName_.isEmpty()) {
        QDBusConnection::disconnectFromBus(connectionName_);
    }
}

QDBusMessage AccessibilityBus::call(const QDBusConnection &bus, const QDBusMessage &message,
                                    Deadline deadline)
{
    const std::optional<int> left = millisecondsLeft(deadline);
    if (!left) {
        return tooLate(message);
    }
    return bus.call(message, QDBus::Block, *left);
}

QList<QDBusMessage> AccessibilityBus::callAll(const QDBusConnection &bus,
                                              const QList<QDBusMessage> &messages,
                                              Deadline deadline)
{
    QList<std::optional<QDBusPendingCall>> pending;
    pending.reserve(messages.size());
    for (const QDBusMessage &message : messages) {
        const std::optional<int> left = millisecondsLeft(deadline);
        pending.append(left ? std::optional(bus.asyncCall(message, *left)) : std::nullopt);
    }
    QList<QDBusMessage> replies;
    replies.reserve(messages.size());
    for (qsizetype i = 0; i < messages.size(); ++i) {
        if (!pending[i]) {
            replies.append(tooLate(messages[i]));
            continue;
        }
        pending[i]->waitForFinished();
        replies.append(pending[i]->reply());
    }
    return replies;
}

bool AccessibilityBus::timedOut(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage) {
        return false;
    }
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::Timeout || type == QDBusError::NoReply
        || type == QDBusError::TimedOut;
}

std::optional<bool> AccessibilityBus::readSwitch(Deadline deadline)
{
    QDBusMessage message =
        launcherCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled");
    const QVariant value = firstArgument(call(sessionBus_, message, deadline));
    if (value.metaType() != QMetaType::fromType<bool>()) {
        return std::nullopt;
    }
    return value.toBool();
}

std::optional<QString> AccessibilityBus::readAddress(Deadline deadline)
{
    const QVariant value = firstArgument(
        call(sessionBus_, launcherCall(launcherService, QStringLiteral("GetAddress")), deadline));
    if (value.metaType() != QMetaType::fromType<QString>() || value.toString().isEmpty()) {
        return std::nullopt;
    }
    return value.toString();
}

AccessibilityBus::Connection AccessibilityBus::connect(Deadline deadline)
{
    std::lock_guard lock(mutex_);
    if (!sessionBus_.isConnected()) {
        return {};
    }
    const auto now = std::chrono::steady_clock::now();
    if (!enabled_ || now - enabledReadAt_ >= switchLifetime) {
        // A launcher that does not answer counts as off until the next look, so that it costs
        // one wait a second at most, not one a window.
        enabled_ = readSwitch(deadline).value_or(false);
        enabledReadAt_ = now;
        if (*enabled_ && !address_.isEmpty()) {
            // The launcher may have started a new bus since (the desktop's session restarted
            // its accessibility support): ask where it is, as cheap as the switch itself.
            if (const std::optional<QString> address = readAddress(deadline)) {
                if (*address != address_) {
                    address_.clear();
                }
            }
        }
    }
    if (!*enabled_) {
        return {};
    }
    if (address_.isEmpty() || !QDBusConnection(connectionName_).isConnected()) {
        if (!connectionName_.isEmpty()) {
            QDBusConnection::disconnectFromBus(connectionName_);
            connectionName_.clear();
        }
        processOfName_.clear();
        const std::optional<QString> address = readAddress(deadline);
        if (!address) {
            address_.clear();
            return Connection{Status::timedOut, QDBusConnection(QString())};
        }
        address_ = *address;
        connectionName_ =
            QStringLiteral("ostrel-accessibility-%1").arg(QString::number(++connections_));
        const QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
        if (!bus.isConnected()) {
            qCDebug(x11Log) << "the accessibility bus did not accept a connection:"
                            << bus.lastError().message();
            address_.clear();
            return {};
        }
    }
    return Connection{Status::answered, QDBusConnection(connectionName_)};
}

AccessibilityBus::Names AccessibilityBus::applicationNames(const Connection &connection, qint32 pid,
                                                           Deadline deadline)
{
    auto namesOf = [this, pid] {
        QList<QString> names;
        for (auto it = processOfName_.constBegin(); it != processOfName_.constEnd(); ++it) {
            if (it.value() == pid) {
                names.append(it.key());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    std::lock_guard lock(mutex_);
    if (QList<QString> known = namesOf(); !known.isEmpty()) {
        return Names{Status::answered, known};
    }
    const QDBusMessage listed = call(connection.bus,
                                     QDBusMessage::createMethodCall(busService, busPath, busService,
                                                                    QStringLiteral("ListNames")),
                                     deadline);
    if (listed.type() != QDBusMessage::ReplyMessage) {
        return Names{timedOut(listed) ? Status::timedOut : Status::off, {}};
    }
    const QStringList present = firstArgument(listed).toStringList();
    const QString own = connection.bus.baseService();
    QHash<QString, qint32> kept;
    QList<QDBusMessage> questions;
    QList<QString> asked;
    for (const QString &name : present) {
        if (!name.startsWith(QLatin1Char(':')) || name == own) {
            continue;
        }
        if (const auto found = processOfName_.constFind(name); found != processOfName_.constEnd()) {
            kept.insert(name, found.value());
            continue;
        }
        QDBusMessage question = QDBusMessage::createMethodCall(
            busService, busPath, busService, QStringLiteral("GetConnectionUnixProcessID"));
        question << name;
        questions.append(question);
        asked.append(name);
    }
    const QList<QDBusMessage> answers = callAll(connection.bus, questions, deadline);
    bool late = false;
    for (qsizetype i = 0; i < answers.size(); ++i) {
        if (answers[i].type() == QDBusMessage::ReplyMessage) {
            kept.insert(asked[i], qint32(firstArgument(answers[i]).toUInt()));
        } else {
            late = late || timedOut(answers[i]);
        }
    }
    processOfName_ = kept;
    const QList<QString> names = namesOf();
    if (names.isEmpty() && late) {
        return Names{Status::timedOut, {}};
    }
    return Names{Status::answered, names};
}

void AccessibilityBus::forget(const QString &name)
{
    std::lock_guard lock(mutex_);
    processOfName_.remove(name);
}

} // namespace ostrel::x11
