#pragma once

#include "model/RectD.h"
#include "system/x11/Strut.h"
#include "system/x11/X11Connection.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace ostrel::x11 {

// Left, right, top, bottom, as the extents properties store them.
using Extents = std::array<quint32, 4>;

// What the backend knows about one client window from one batch of reads.
struct X11WindowInfo {
    enum class Status { ok, gone, timedOut };

    xcb_window_t window = 0;
    Status status = Status::timedOut;
    QString instance;          // WM_CLASS instance
    QString className;         // WM_CLASS class
    std::optional<qint32> pid; // _NET_WM_PID, else X-Resource
    QList<xcb_atom_t> types;
    xcb_window_t transientFor = 0;
    QList<xcb_atom_t> states;
    bool iconic = false; // WM_STATE Iconic
    Extents frameExtents{};
    Extents gtkFrameExtents{};
    // The client draws its own decoration and declares its invisible shadow (_GTK_FRAME_EXTENTS,
    // even when all zero, as GTK does while a window is maximized).
    bool clientSideDecorated = false;
    std::optional<quint32> desktop;
    RectD client; // the client window in root coordinates
    QString gtkApplicationId;
    QString kdeDesktopFile;
    double opacity = 1.0;
    std::optional<Strut> strut; // _NET_WM_STRUT_PARTIAL, else _NET_WM_STRUT

    bool ok() const { return status == Status::ok; }
    bool hasState(xcb_atom_t state) const { return states.contains(state); }

    // The frame the user sees, in root coordinates: the client grown by the window manager's
    // decoration and shrunk by a client-side decoration's invisible shadow.
    RectD visibleFrameInRoot() const;
};

// Role words of the window kinds.
enum class WindowKind { normal, dialog, floating, dock, desktop };
WindowKind windowKind(const X11WindowInfo &info, const X11Connection &connection);
bool isMinimized(const X11WindowInfo &info, const X11Connection &connection);
// On the given desktop or on all of them.
bool isOnDesktop(const X11WindowInfo &info, std::optional<quint32> currentDesktop);

// Reads everything about the windows in one pipelined batch (every request of every window sent
// before the first reply is awaited), then asks X-Resource in a second batch for the processes
// of windows without _NET_WM_PID. The deadline bounds the whole batch.
QList<X11WindowInfo> readWindowInfos(X11Connection &connection, const QList<xcb_window_t> &windows,
                                     Deadline deadline);

// Root properties of the window manager.
struct X11RootInfo {
    bool ok = false;
    QList<xcb_window_t> clientList; // mapping order
    QList<xcb_window_t> stacking;   // bottom to top
    std::optional<quint32> currentDesktop;
    xcb_window_t supportingWmCheck = 0;
    bool wmCheckValid = false; // the check window exists and names itself
    QList<xcb_atom_t> supported;
    RectD rootGeometry;
};
X11RootInfo readRootInfo(X11Connection &connection, Deadline deadline);

// Whether a change of this property of a client can change what `readWindowInfos` reads of it.
bool isWindowInfoProperty(const X11Connection &connection, xcb_atom_t property);
// Whether a change of this property of the root can change what `readRootInfo` reads.
bool isRootInfoProperty(const X11Connection &connection, xcb_atom_t property);

// The windows as known, with where each client stands read again (two requests a window, in one
// batch): what a move changes, when nothing else of the window changed. A window that is gone
// or was not read in time says so in its status.
QList<X11WindowInfo> readClientPlaces(X11Connection &connection, QList<X11WindowInfo> known,
                                      Deadline deadline);

// The window's _NET_WM_NAME, read once and kept by no one; none when it has none or the server
// did not answer in time.
std::optional<QString> readWindowTitle(X11Connection &connection, xcb_window_t window,
                                       Deadline deadline);

// Reads a format-32 property as a list (helper shared by the readers).
QList<quint32> cardinals(const xcb_get_property_reply_t *reply);
QString text(const xcb_get_property_reply_t *reply);
// The strut of a window from its _NET_WM_STRUT_PARTIAL, else its _NET_WM_STRUT (either may be
// null).
std::optional<Strut> strutOf(const xcb_get_property_reply_t *partial,
                             const xcb_get_property_reply_t *legacy);

} // namespace ostrel::x11
