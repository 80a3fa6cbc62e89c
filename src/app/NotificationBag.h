#pragma once

#include <QList>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>

namespace ostrel {

// The model's observations of system signals. It ends every one of them when it goes away, so
// no signal reaches a model that is being torn down.
class NotificationBag {
public:
    NotificationBag() = default;
    NotificationBag(const NotificationBag &) = delete;
    NotificationBag &operator=(const NotificationBag &) = delete;

    ~NotificationBag()
    {
        QMutexLocker locker(&lock_);
        for (const QMetaObject::Connection &connection : connections_) {
            QObject::disconnect(connection);
        }
    }

    void add(QMetaObject::Connection connection)
    {
        QMutexLocker locker(&lock_);
        connections_.append(connection);
    }

    qsizetype count() const
    {
        QMutexLocker locker(&lock_);
        return connections_.size();
    }

private:
    mutable QMutex lock_;
    QList<QMetaObject::Connection> connections_;
};

} // namespace ostrel
