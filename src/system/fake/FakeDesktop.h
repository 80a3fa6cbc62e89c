#pragma once

#include "model/AXElement.h"
#include "model/RectD.h"
#include "system/AccessibilityElements.h"
#include "system/AccessibilityTrust.h"
#include "system/PointerButtons.h"
#include "system/RunningApplications.h"
#include "system/ScreenList.h"
#include "system/SystemBackend.h"
#include "system/WindowServerList.h"
#include "system/fake/FakeClock.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

namespace ostrel {

// One call the services made on the fake desktop, for tests that check what was asked (and
// what was not) and for hooks that change the desktop at an exact step.
struct FakeCall {
    // `frameWrite`: one request for size and position, followed by the two writes it makes.
    enum class Kind { trust, applications, windowList, read, write, frameWrite, timeout };
    Kind kind = Kind::read;
    AXElement element;
    QString attribute;

    friend bool operator==(const FakeCall &, const FakeCall &) = default;
};

// How a window takes writes of its size and position; the defaults apply them exactly.
struct FakeWindowBehaviour {
    // The application keeps the size within these bounds.
    std::optional<AXSize> minimumSize;
    std::optional<AXSize> maximumSize;
    // The application puts the window this far from where it was asked to.
    AXPoint positionOffset;
    // The application ignores size writes until the window has been moved once (counted from
    // when this behaviour was set).
    bool sizeOnlyAfterMove = false;
};

// A scriptable desktop in memory: applications, windows and other elements with attributes,
// read failures and latencies per attribute, windows that clamp, partly apply, reject, answer
// late or vanish, trust that can be withdrawn at any step, screens and pressed buttons, all on
// a virtual clock. Time moves only when a test advances it or when an element "takes time" to
// answer: a latency beyond the element's messaging timeout costs the timeout and fails with
// `cannotComplete`, so deadlines are exercised without sleeping.
//
// Thread-safe: the services call it from their actor threads while a test changes it.
class FakeDesktop final : public AccessibilityTrust,
                          public AccessibilityElements,
                          public RunningApplications,
                          public WindowServerList,
                          public ScreenList,
                          public PointerButtons {
public:
    static constexpr double defaultMessagingTimeout = 6.0;

    FakeDesktop();

    SystemBackend backend();
    FakeClock &clock() { return clock_; }

    // Called at the start of every call the services make, before it takes effect, outside the
    // desktop's lock: a hook may change the desktop (withdraw trust, close a window, advance
    // the clock) exactly at the step it waits for.
    void setHook(std::function<void(const FakeCall &)> hook);
    QList<FakeCall> calls();
    void clearCalls();

    // --- trust
    void setTrusted(bool trusted);

    // --- applications
    // Adds an application; a pid of 0 picks a fresh one. Returns the pid.
    qint32 addApplication(RunningApplication application);
    // A regular, visible application with this identity.
    qint32 addApplication(const QString &bundleID, const QString &name);
    void updateApplication(qint32 pid, const std::function<void(RunningApplication &)> &change);
    void setOwnIdentity(qint32 pid, std::optional<QString> bundleID);

    // --- windows and elements
    // A standard window of the application, on screen with a window-server row of its own.
    AXElement addWindow(qint32 pid, const RectD &frame,
                        const QString &subrole = "AXStandardWindow");
    // An element with the given attributes only (for the content tree of a window).
    AXElement addElement(const QHash<QString, AXValue> &attributes);
    // The window or element is gone: every call on it fails with `invalidUIElement` and its
    // window-server row disappears.
    void removeElement(AXElement element);

    void setAttribute(AXElement element, const QString &attribute, const AXValue &value);
    void removeAttribute(AXElement element, const QString &attribute);
    std::optional<AXValue> attribute(AXElement element, const QString &attribute);
    void setFrame(AXElement window, const RectD &frame);
    // The frame from the window's position and size; absent when either is not a point/size.
    std::optional<RectD> frame(AXElement window);
    void setBehaviour(AXElement window, const FakeWindowBehaviour &behaviour);
    double messagingTimeout(AXElement element);

    // Reads of this attribute fail with the status until cleared with `AXError::success`.
    void failReads(AXElement element, const QString &attribute, AXError error);
    // Reads of this attribute take this long (virtual seconds).
    void setReadLatency(AXElement element, const QString &attribute, double seconds);
    // The next writes of this attribute fail with these statuses, one per write, in order;
    // a failed write changes nothing.
    void failWrites(AXElement element, const QString &attribute, QList<AXError> errors);
    void setWriteLatency(AXElement element, const QString &attribute, double seconds);
    // Whether size and position can be written in one request (off by default: the services
    // then write them in turn). The request makes the size write and then the position write,
    // each as above, with nothing to stop between them.
    void setWritesFramesInOneRequest(bool inOneRequest);

    // --- window-server list
    // The window's row shows this frame instead of its Accessibility frame.
    void setServerFrame(AXElement window, const RectD &frame);
    // The window has no row (another desktop, hidden, off screen). A minimized window never
    // has one.
    void setOnScreen(AXElement window, bool onScreen);
    std::optional<quint32> windowNumber(AXElement window);
    // An extra row not backed by any element, listed after the windows' rows.
    void addServerRow(const WindowServerRow &row);
    void setWindowListReadable(bool readable);

    // --- screens and pointer
    void setScreens(const QList<Screen> &screens, std::optional<quint32> mainDisplayNumber);
    void setPressedMouseButtons(quint32 mask);

    // AccessibilityTrust
    bool isProcessTrusted() override;
    // AccessibilityElements
    AXElement applicationElement(qint32 pid) override;
    void setMessagingTimeout(AXElement element, double seconds) override;
    AXAttributeResult copyAttributeValue(AXElement element, const QString &attribute) override;
    AXError setAttributeValue(AXElement element, const QString &attribute,
                              const AXValue &value) override;
    std::optional<AXFrameWriteResult> setSizeAndPosition(AXElement element, const AXSize &size,
                                                         const AXPoint &position) override;
    // RunningApplications
    QList<RunningApplication> runningApplications() override;
    qint32 ownProcessIdentifier() override;
    std::optional<QString> ownBundleIdentifier() override;
    // WindowServerList
    std::optional<QList<WindowServerRow>> windowList() override;
    // ScreenList
    QList<Screen> screens() override;
    std::optional<quint32> mainDisplayNumber() override;
    // PointerButtons
    quint32 pressedMouseButtons() override;

private:
    enum class ElementKind { application, window, other };

    struct Element {
        ElementKind kind = ElementKind::other;
        qint32 pid = 0;
        bool removed = false;
        double timeout = defaultMessagingTimeout;
        QHash<QString, AXValue> attributes;
        QHash<QString, AXError> readErrors;
        QHash<QString, double> readLatency;
        QHash<QString, QList<AXError>> writeErrors;
        QHash<QString, double> writeLatency;
        FakeWindowBehaviour behaviour;
        bool movedSinceBehaviourSet = false;
        // Window-server row of a window.
        quint32 windowNumber = 0;
        bool onScreen = true;
        std::optional<RectD> serverFrame;
    };

    void notify(FakeCall call);
    Element *find(AXElement element);
    // Changes the element under the lock; an unknown element is left alone.
    void edit(AXElement element, const std::function<void(Element &)> &change);
    // Spends the latency of a call on the clock; false when it outlasts the timeout.
    bool answersInTime(const Element &element, double latency);
    static std::optional<RectD> frameOf(const Element &element);

    std::recursive_mutex mutex_;
    FakeClock clock_;
    std::function<void(const FakeCall &)> hook_;
    QList<FakeCall> calls_;

    bool trusted_ = true;
    bool writesFramesInOneRequest_ = false;
    QList<RunningApplication> applications_;
    qint32 nextPid_ = 1000;
    qint32 ownPid_ = 1;
    std::optional<QString> ownBundleID_ = QStringLiteral("local.ostrel.app");

    QHash<quint64, Element> elements_;
    QList<quint64> windowOrder_; // front to back
    QHash<qint32, quint64> applicationElements_;
    quint64 nextHandle_ = 1;
    quint32 nextWindowNumber_ = 100;
    QList<WindowServerRow> extraRows_;
    bool windowListReadable_ = true;

    QList<Screen> screens_;
    std::optional<quint32> mainDisplayNumber_;
    quint32 pressedButtons_ = 0;
};

} // namespace ostrel
