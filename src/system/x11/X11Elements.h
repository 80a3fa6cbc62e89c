#pragma once

#include "system/AccessibilityElements.h"
#include "system/Clock.h"
#include "system/x11/X11Desktop.h"
#include "system/x11/X11FrameWriter.h"
#include "system/x11/X11PageAddresses.h"

#include <QHash>

#include <mutex>

namespace ostrel::x11 {

// Application and window elements over EWMH. A window element is the client window's XID; an
// application element is its process id tagged above the 32 bits an XID uses. Reads come from
// the desktop snapshot (one batch for all windows); writes go to the window manager as
// _NET_MOVERESIZE_WINDOW and wait for it to apply them. Every call is bounded by the element's
// messaging timeout. A browser window's page address and the elements inside it come from the
// accessibility bus (`pages`), where there is one.
class X11Elements : public AccessibilityElements {
public:
    X11Elements(X11Desktop &desktop, Clock &clock, X11PageAddresses *pages = nullptr)
        : desktop_(desktop)
        , pages_(pages)
        , writer_(desktop, clock)
    {
    }

    // The writer of every frame write, whose waits tests may change.
    X11FrameWriter &frameWriter() { return writer_; }

    AXElement applicationElement(qint32 pid) override;
    void setMessagingTimeout(AXElement element, double seconds) override;
    AXAttributeResult copyAttributeValue(AXElement element, const QString &attribute) override;
    AXError setAttributeValue(AXElement element, const QString &attribute,
                              const AXValue &value) override;
    // One _NET_MOVERESIZE_WINDOW for both: window managers apply it in one step.
    std::optional<AXFrameWriteResult> setSizeAndPosition(AXElement element, const AXSize &size,
                                                         const AXPoint &position) override;
    std::shared_ptr<AXPendingFrameWrite> beginSizeAndPosition(AXElement element, const AXSize &size,
                                                              const AXPoint &position) override;
    std::shared_ptr<AXPendingFrameWrite>
    beginAttributeValue(AXElement element, const QString &attribute, const AXValue &value) override;
    void awaitSizesAndPositions(const QList<std::shared_ptr<AXPendingFrameWrite>> &writes,
                                qsizetype count) override;

    static constexpr quint64 applicationTag = quint64(1) << 32;
    static bool isApplication(AXElement e) { return (e.handle & applicationTag) != 0; }

private:
    Deadline deadlineFor(AXElement element);
    // How long a write to the element has, from its turn.
    Clock::Duration patienceFor(AXElement element);
    AXAttributeResult applicationAttribute(qint32 pid, const QString &attribute, Deadline deadline);
    AXAttributeResult windowAttribute(xcb_window_t window, const QString &attribute,
                                      Deadline deadline);

    X11Desktop &desktop_;
    X11PageAddresses *pages_;
    X11FrameWriter writer_;
    std::mutex timeoutsMutex_;
    QHash<quint64, double> timeouts_;
};

} // namespace ostrel::x11
