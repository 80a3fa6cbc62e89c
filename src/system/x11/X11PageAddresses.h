#pragma once

#include "model/AXElement.h"
#include "model/RectD.h"
#include "system/AXValue.h"
#include "system/x11/AccessibilityBus.h"
#include "system/x11/X11Connection.h"

#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

namespace ostrel::x11 {

// The page address a browser window shows, read over the accessibility bus: the window's frame
// there is found by its process and its place, and the frame's EMBEDS relation leads to the
// document of the tab it shows, whose attributes hold the address ("DocURL" in Firefox, "URI" in
// Chromium). This answers a window's "AXURL" and "AXDocument" (both are the shown document's
// address); its "AXChildren" are the frame's children, so that a search through the content of
// a browser that keeps its document elsewhere can still find it.
// Elements inside a window (tagged handles) answer "AXRole" ("AXWebArea" for a web document),
// "AXChildren" and "AXURL".
//
// The addresses are handed to the caller and never kept or logged here, and neither are titles.
// Thread-safe.
class X11PageAddresses {
public:
    // What the page reads need of an X window.
    struct Window {
        xcb_window_t window = 0;
        std::optional<qint32> pid;
        RectD client; // root coordinates: what the accessibility bus calls screen coordinates
        // The client less the invisible shadow a client-side decoration draws around itself
        // (_GTK_FRAME_EXTENTS), where the browser may place its frame instead; the client
        // itself where there is none.
        RectD drawn;
        friend bool operator==(const Window &, const Window &) = default;
    };
    // Reads the window's _NET_WM_NAME when two frames stand in the same place; none when it
    // cannot be read.
    using TitleReader = std::function<std::optional<QString>(xcb_window_t, Deadline)>;

    X11PageAddresses(QDBusConnection sessionBus, TitleReader titles);

    // Handles of elements inside windows carry this bit: above a window's XID and an
    // application's tagged process id.
    static constexpr quint64 elementTag = quint64(1) << 33;
    static bool isElement(AXElement e) { return (e.handle & elementTag) != 0; }

    // The deadline is the read's messaging timeout from now; each call to the browser may take
    // that long from when it is sent, so a browser that never answers costs it once, and one
    // that answers slowly a few times (the caller's own deadline bounds how often it asks).
    using Wait = std::chrono::steady_clock::duration;
    AXAttributeResult windowAttribute(const Window &window, const QString &attribute,
                                      Deadline deadline);
    AXAttributeResult elementAttribute(AXElement element, const QString &attribute,
                                       Deadline deadline);

    // Where a frame stands on the bus against where its window stands on the X server: equal,
    // or equal once the frame's values are multiplied by one scale (a HiDPI desktop gives the
    // bus logical pixels). Public for the tests of its edge cases.
    enum class Fit { none, exact, scaled };
    static Fit fit(const RectD &extents, const RectD &client);

private:
    struct Found {
        AccessibilityBus::Status status = AccessibilityBus::Status::off;
        std::optional<AtspiObject> frame;
    };
    Found frameOf(const Window &window, Wait wait);
    std::optional<AtspiObject> embeddedDocument(const QDBusConnection &bus,
                                                const AtspiObject &frame, Wait wait, bool *late);
    AXAttributeResult address(const QDBusConnection &bus, const AtspiObject &document, Wait wait);
    AXAttributeResult children(const QDBusConnection &bus, const AtspiObject &object, Wait wait);
    AXElement handleOf(const AtspiObject &object);
    std::optional<AtspiObject> objectOf(AXElement element);

    AccessibilityBus bus_;
    TitleReader titles_;

    // The frame last found for each window, while the window stands where it stood: a search
    // that reads the window's address and then its children finds the frame once.
    struct Remembered {
        Window window;
        std::optional<AtspiObject> frame;
        std::chrono::steady_clock::time_point at;
    };
    static constexpr std::chrono::milliseconds frameLifetime{1000};

    std::mutex mutex_;
    QHash<xcb_window_t, Remembered> frames_;
    QHash<AtspiObject, quint64> handles_;
    QHash<quint64, AtspiObject> objects_;
    quint64 nextHandle_ = 1;
};

} // namespace ostrel::x11
