#pragma once

#include "system/x11/X11Connection.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <mutex>
#include <optional>

namespace ostrel::x11 {

// An object of an application on the accessibility bus: the application's connection there and
// the object's path.
struct AtspiObject {
    QString bus;
    QString path;
    friend bool operator==(const AtspiObject &, const AtspiObject &) = default;
};

inline size_t qHash(const AtspiObject &object, size_t seed = 0) noexcept
{
    return qHashMulti(seed, object.bus, object.path);
}

// The desktop's accessibility bus (AT-SPI over D-Bus), as a client that only reads. Applications
// join it only while the desktop's accessibility support is on (the bus launcher's
// org.a11y.Status.IsEnabled, which is the user's toolkit-accessibility setting); that switch is
// read, never set, and while it is off there is no bus to ask. Nothing is started on the session
// bus: a desktop without a bus launcher running simply has no accessibility bus.
//
// Every call waits until a deadline at most, so a peer that never answers costs that and no more.
// Thread-safe: blocking calls go out from the window service's thread while the main thread runs.
class AccessibilityBus {
public:
    explicit AccessibilityBus(QDBusConnection sessionBus);
    ~AccessibilityBus();
    AccessibilityBus(const AccessibilityBus &) = delete;
    AccessibilityBus &operator=(const AccessibilityBus &) = delete;

    // How a lookup on the bus ended besides an answer.
    enum class Status { answered, off, timedOut };

    // The connection to the accessibility bus while the desktop's accessibility support is on.
    // The switch is read again once the last answer is a second old.
    struct Connection {
        Status status = Status::off;
        QDBusConnection bus{QString()};
    };
    Connection connect(Deadline deadline);

    // One call and its reply, or an error reply when the deadline passed first.
    static QDBusMessage call(const QDBusConnection &bus, const QDBusMessage &message,
                             Deadline deadline);
    // Several calls sent together, their replies awaited together until the deadline: a reply
    // not in by then is an error reply of its own.
    static QList<QDBusMessage> callAll(const QDBusConnection &bus,
                                       const QList<QDBusMessage> &messages, Deadline deadline);
    static bool timedOut(const QDBusMessage &reply);

    // The bus names of the applications of a process on the accessibility bus. A process asked
    // about for the first time, or one whose names all failed, has the bus's list read again;
    // names already known keep their process (a unique name is never given out twice).
    struct Names {
        Status status = Status::off;
        QList<QString> names;
    };
    Names applicationNames(const Connection &connection, qint32 pid, Deadline deadline);
    // A name that stopped answering (its application left the bus).
    void forget(const QString &name);

private:
    static constexpr std::chrono::milliseconds switchLifetime{1000};

    std::optional<bool> readSwitch(Deadline deadline);
    std::optional<QString> readAddress(Deadline deadline);

    QDBusConnection sessionBus_;
    std::mutex mutex_;
    std::optional<bool> enabled_;
    std::chrono::steady_clock::time_point enabledReadAt_;
    QString address_;
    QString connectionName_;
    int connections_ = 0;
    QHash<QString, qint32> processOfName_;
};

} // namespace ostrel::x11
