// What a restore writes to the log: nothing by default, and with the restore engine's debug
// lines turned on, one line per saved window with its outcome, its X window and what the window
// manager made of the frame asked for.

#include "RestoreDesk.h"

#include "restore/RestoreLog.h"

#include <QLoggingCategory>
#include <QMutex>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

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

struct Desk {
    RestoreDesk desk;
    AXElement editor = desk.addWindow(QStringLiteral("org.example.editor"),
                                      QStringLiteral("Editor"), {100, 100, 800, 600});
    AXElement viewer = desk.addWindow(QStringLiteral("org.example.viewer"),
                                      QStringLiteral("Viewer"), {200, 200, 400, 300});
    Layout layout =
        desk.layout({RestoreDesk::entry(QStringLiteral("org.example.editor"),
                                        QStringLiteral("Editor"), {0.25, 0.2, 0.25, 0.25}),
                     RestoreDesk::entry(QStringLiteral("org.example.viewer"),
                                        QStringLiteral("Viewer"), {0, 0, 0.5, 0.5}),
                     RestoreDesk::entry(QStringLiteral("org.example.closed"),
                                        QStringLiteral("Closed"), {0, 0, 0.5, 0.5})},
                    QStringLiteral("Desk"));
};

} // namespace

TEST(RestoreLog, QuietByDefault)
{
    Desk d;
    const LogRecorder log{QString()};
    const RestoreResult result = d.desk.restore(d.layout);
    ASSERT_EQ(result.entries.size(), 3);
    EXPECT_EQ(log.lines(), QStringList());
}

TEST(RestoreLog, OneDebugLinePerWindowWhenAskedFor)
{
    Desk d;
    const LogRecorder log{QStringLiteral("ostrel.*.debug=true")};
    const RestoreResult result = d.desk.restore(d.layout);
    ASSERT_EQ(result.entries.size(), 3);

    const QStringList lines = log.lines();
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const EntryResult &entry = result.entries[i];
        SCOPED_TRACE(lines[i].toStdString());
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("ostrel.restore: restore “Desk”: “")));
        EXPECT_TRUE(lines[i].contains(QStringLiteral("(") + entry.bundleID + QStringLiteral(") ")
                                      + rawValue(entry.outcome)));
        if (entry.windowID) {
            EXPECT_TRUE(lines[i].contains(QStringLiteral("window 0x")
                                          + QString::number(*entry.windowID, 16)));
        }
    }
    // The moved window: the frame asked for and where the window manager left it.
    EXPECT_EQ(result.entries[0].outcome, EntryOutcome::restored);
    EXPECT_TRUE(lines[0].contains(
        QStringLiteral("asked 480,236 480×264, the window manager left it at 480,236 480×264")));
    EXPECT_EQ(result.entries[2].outcome, EntryOutcome::notOpen);
    EXPECT_FALSE(lines[2].contains(QStringLiteral("asked")));
    EXPECT_TRUE(
        lines[2].contains(QStringLiteral(" — ") + result.entries[2].detail.value_or(QString())));
}

TEST(RestoreLog, EntryLineNamesAFrameThatWasNotReadBack)
{
    EntryResult entry;
    entry.label = QStringLiteral("Notes");
    entry.bundleID = QStringLiteral("org.example.notes");
    entry.outcome = EntryOutcome::failed;
    entry.windowID = 0x2a00007;
    entry.detail = QStringLiteral("The window is no longer available");
    FrameApplyResult write(RectD{0, 25, 960, 1055});
    write.attemptedWrite = true;
    EXPECT_EQ(
        RestoreLog::entryLine(QStringLiteral("restore"), QStringLiteral("Work"), entry, &write),
        QStringLiteral(
            "restore “Work”: “Notes” (org.example.notes) failed, window 0x2a00007; asked "
            "0,25 960×1055, no frame read back — The window is no longer available"));
}
