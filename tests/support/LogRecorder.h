#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace ostrel::test {

// Records what the program logs while it lives, from any thread, and passes each message on as
// before. One at a time.
class LogRecorder {
public:
    LogRecorder();
    ~LogRecorder();

    LogRecorder(const LogRecorder &) = delete;
    LogRecorder &operator=(const LogRecorder &) = delete;

    // What was logged at that level under the category, in order.
    QStringList messages(QtMsgType type, const char *category) const;

private:
    struct Entry {
        QtMsgType type;
        QString category;
        QString message;
    };

    static void record(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable QMutex mutex_;
    QList<Entry> entries_;
    QtMessageHandler previous_ = nullptr;
};

} // namespace ostrel::test
