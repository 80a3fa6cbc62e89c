#include "LogRecorder.h"

#include <QMutexLocker>

#include <atomic>

namespace ostrel::test {

namespace {

std::atomic<LogRecorder *> current{nullptr};

} // namespace

LogRecorder::LogRecorder()
{
    current.store(this);
    previous_ = qInstallMessageHandler(&LogRecorder::record);
}

LogRecorder::~LogRecorder()
{
    qInstallMessageHandler(previous_);
    current.store(nullptr);
}

QStringList LogRecorder::messages(QtMsgType type, const char *category) const
{
    QMutexLocker locker(&mutex_);
    QStringList found;
    for (const Entry &entry : entries_) {
        if (entry.type == type && entry.category == QLatin1String(category)) {
            found.append(entry.message);
        }
    }
    return found;
}

void LogRecorder::record(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    LogRecorder *recorder = current.load();
    if (!recorder) {
        return;
    }
    {
        QMutexLocker locker(&recorder->mutex_);
        recorder->entries_.append(
            {type, QString::fromUtf8(context.category ? context.category : ""), message});
    }
    if (recorder->previous_) {
        recorder->previous_(type, context, message);
    }
}

} // namespace ostrel::test
