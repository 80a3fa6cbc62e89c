#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace ostrel::test {

// A desktop's accessibility side of its own, sealed off from the machine's: a private session bus
// with a bus launcher on it (org.a11y.Bus: the accessibility bus's address and the desktop's
// switch, org.a11y.Status.IsEnabled) and a private accessibility bus. Browsers scripted with
// `ScriptedBrowser` join that bus. Needs a QCoreApplication; not thread-safe.
class AccessibilityBuses {
public:
    explicit AccessibilityBuses(bool enabled = true);
    ~AccessibilityBuses();
    AccessibilityBuses(const AccessibilityBuses &) = delete;
    AccessibilityBuses &operator=(const AccessibilityBuses &) = delete;

    bool started() const { return started_; }
    const QString &sessionAddress() const { return sessionAddress_; }
    const QString &accessibilityAddress() const { return accessibilityAddress_; }
    // A connection to the session bus for the code under test (each call a new one).
    QDBusConnection sessionBus();

    // Turns the desktop's accessibility support on or off, as its settings would.
    void setEnabled(bool enabled);

private:
    QTemporaryDir folder_;
    QProcess sessionDaemon_;
    QProcess accessibilityDaemon_;
    QProcess launcher_;
    QString sessionAddress_;
    QString accessibilityAddress_;
    int connections_ = 0;
    bool started_ = false;
};

// A frame of a scripted browser: where it stands (screen coordinates), its name, the address
// of the document it shows and how that is reached.
struct ScriptedFrame {
    int x = 0, y = 0, width = 0, height = 0;
    std::string name;
    std::string address;
    std::string addressKey = "DocURL"; // Firefox; Chromium says "URI"
    bool embeds = true;                // the frame's EMBEDS relation leads to the document
    int documentDepth = 2;             // below the window: 1 is a child of the frame
    bool answers = true;               // false: never answers anything asked of it
};

// One browser process on the accessibility bus: an AT-SPI application with the frames it is
// told to show. Its windows on the X server are the test's own, claiming this process (see
// TestWindowPlan::claimedPid). Ends with the object.
class ScriptedBrowser {
public:
    explicit ScriptedBrowser(const AccessibilityBuses &buses);
    ~ScriptedBrowser();
    ScriptedBrowser(const ScriptedBrowser &) = delete;
    ScriptedBrowser &operator=(const ScriptedBrowser &) = delete;

    bool started() const { return started_; }
    pid_t pid() const;
    // Replaces what the browser shows; returns once it shows it.
    void show(const std::vector<ScriptedFrame> &frames);
    // How many calls the browser has been asked so far.
    int calls();

private:
    QByteArray ask(const QByteArray &line);

    QProcess process_;
    bool started_ = false;
};

} // namespace ostrel::test
