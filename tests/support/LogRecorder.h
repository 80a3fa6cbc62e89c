#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace ostrel::test {

// The program's own log lines (categories ostrel.*) while it is alive, from any thread.
class LogRecorder {
public:
    explicit LogRecorder(const QString &rules)
    {
        QLoggingCategory::setFilterRules(rules);
        current = this;
        previous_ = qInstallMessageHandler(&LogRecorder::handle);
    }
    ~LogRecorder()
    {
        qInstallMessageHandler(previous_);
        current = nullptr;
        QLoggingCategory::setFilterRules(QString());
    }

    QStringList lines() const
    {
        QMutexLocker lock(&mutex_);
        return lines_;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        if (current && context.category && QByteArray(context.category).startsWith("ostrel.")) {
            QMutexLocker lock(&current->mutex_);
            current->lines_.append(QString::fromUtf8(context.category) + QStringLiteral(": ")
                                   + message);
        }
    }

    static inline LogRecorder *current = nullptr;
    QtMessageHandler previous_ = nullptr;
    mutable QMutex mutex_;
    QStringList lines_;
};

} // namespace ostrel::test
