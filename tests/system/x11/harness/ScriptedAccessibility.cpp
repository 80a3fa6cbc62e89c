#include "ScriptedAccessibility.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>

#include <sys/prctl.h>

#include <csignal>

namespace ostrel::test {

namespace {

// A bus that starts nothing by itself: no service of the machine joins the test's desktop.
const char *busConfig =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

constexpr int waitMs = 10000;

void dieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

QByteArray readLine(QProcess &process)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(waitMs)) {
            return {};
        }
    }
    return process.readLine().trimmed();
}

QString startDaemon(QProcess &daemon, const QString &folder, const QString &name)
{
    const QString config = folder + QLatin1Char('/') + name + QStringLiteral(".conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return {};
    }
    file.write(QString::fromLatin1(busConfig).arg(folder).toUtf8());
    file.close();
    dieWithParent(daemon);
    daemon.setProcessChannelMode(QProcess::SeparateChannels);
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                  QStringLiteral("--print-address=1")});
    if (!daemon.waitForStarted(waitMs)) {
        return {};
    }
    return QString::fromUtf8(readLine(daemon));
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.closeWriteChannel();
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

AccessibilityBuses::AccessibilityBuses(bool enabled)
{
    if (!folder_.isValid()) {
        return;
    }
    sessionAddress_ = startDaemon(sessionDaemon_, folder_.path(), QStringLiteral("session"));
    accessibilityAddress_ =
        startDaemon(accessibilityDaemon_, folder_.path(), QStringLiteral("accessibility"));
    if (sessionAddress_.isEmpty() || accessibilityAddress_.isEmpty()) {
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionAddress_);
    launcher_.setProcessEnvironment(environment);
    dieWithParent(launcher_);
    QStringList args{QStringLiteral("--launcher"), QStringLiteral("--address"),
                     accessibilityAddress_};
    if (enabled) {
        args << QStringLiteral("--enabled");
    }
    launcher_.start(QStringLiteral(OSTREL_ACCESSIBILITY_TEST_PEER), args);
    started_ = launcher_.waitForStarted(waitMs) && readLine(launcher_) == "ready";
}

AccessibilityBuses::~AccessibilityBuses()
{
    for (int i = 1; i <= connections_; ++i) {
        QDBusConnection::disconnectFromBus(QStringLiteral("ostrel-test-session-%1").arg(i));
    }
    stop(launcher_);
    stop(accessibilityDaemon_);
    stop(sessionDaemon_);
}

QDBusConnection AccessibilityBuses::sessionBus()
{
    return QDBusConnection::connectToBus(
        sessionAddress_, QStringLiteral("ostrel-test-session-%1").arg(++connections_));
}

void AccessibilityBuses::setEnabled(bool enabled)
{
    launcher_.write(enabled ? "enable\n" : "disable\n");
    readLine(launcher_);
}

ScriptedBrowser::ScriptedBrowser(const AccessibilityBuses &buses)
{
    dieWithParent(process_);
    process_.start(
        QStringLiteral(OSTREL_ACCESSIBILITY_TEST_PEER),
        {QStringLiteral("--browser"), QStringLiteral("--address"), buses.accessibilityAddress()});
    started_ = process_.waitForStarted(waitMs) && readLine(process_) == "ready";
}

ScriptedBrowser::~ScriptedBrowser()
{
    stop(process_);
}

pid_t ScriptedBrowser::pid() const
{
    return pid_t(process_.processId());
}

QByteArray ScriptedBrowser::ask(const QByteArray &line)
{
    process_.write(line + '\n');
    process_.waitForBytesWritten(waitMs);
    return readLine(process_);
}

void ScriptedBrowser::show(const std::vector<ScriptedFrame> &frames)
{
    QJsonArray list;
    for (const ScriptedFrame &frame : frames) {
        list.append(QJsonObject{
            {QStringLiteral("extents"), QJsonArray{frame.x, frame.y, frame.width, frame.height}},
            {QStringLiteral("name"), QString::fromStdString(frame.name)},
            {QStringLiteral("address"), QString::fromStdString(frame.address)},
            {QStringLiteral("key"), QString::fromStdString(frame.addressKey)},
            {QStringLiteral("embeds"), frame.embeds},
            {QStringLiteral("depth"), frame.documentDepth},
            {QStringLiteral("answers"), frame.answers},
        });
    }
    ask(QJsonDocument(QJsonObject{{QStringLiteral("frames"), list}})
            .toJson(QJsonDocument::Compact));
}

int ScriptedBrowser::calls()
{
    const QByteArray answer = ask("calls");
    return answer.startsWith("calls ") ? answer.mid(6).toInt() : -1;
}

} // namespace ostrel::test
