#pragma once

#include <array>
#include <cstddef>

namespace ostrel::x11 {

// Every atom the backend uses, interned once per connection in one batch.
enum class Atom : size_t {
    NetSupported,
    NetSupportingWmCheck,
    NetClientList,
    NetClientListStacking,
    NetCurrentDesktop,
    NetMoveresizeWindow,
    NetWmPid,
    NetWmName,
    NetWmDesktop,
    NetWmWindowType,
    NetWmWindowTypeNormal,
    NetWmWindowTypeDialog,
    NetWmWindowTypeUtility,
    NetWmWindowTypeToolbar,
    NetWmWindowTypeMenu,
    NetWmWindowTypeDock,
    NetWmWindowTypeDesktop,
    NetWmWindowTypeSplash,
    NetWmState,
    NetWmStateHidden,
    NetWmStateMaximizedVert,
    NetWmStateMaximizedHorz,
    NetWmStateSkipTaskbar,
    NetWmStateFullscreen,
    NetWmWindowOpacity,
    NetFrameExtents,
    NetWmStrut,
    NetWmStrutPartial,
    GtkFrameExtents,
    GtkApplicationId,
    KdeNetWmDesktopFile,
    WmState,
    Utf8String,
    Edid,
    Count
};

inline constexpr std::array<const char *, static_cast<size_t>(Atom::Count)> atomNames = {
    "_NET_SUPPORTED",
    "_NET_SUPPORTING_WM_CHECK",
    "_NET_CLIENT_LIST",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_CURRENT_DESKTOP",
    "_NET_MOVERESIZE_WINDOW",
    "_NET_WM_PID",
    "_NET_WM_NAME",
    "_NET_WM_DESKTOP",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_MAXIMIZED_VERT",
    "_NET_WM_STATE_MAXIMIZED_HORZ",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_WINDOW_OPACITY",
    "_NET_FRAME_EXTENTS",
    "_NET_WM_STRUT",
    "_NET_WM_STRUT_PARTIAL",
    "_GTK_FRAME_EXTENTS",
    "_GTK_APPLICATION_ID",
    "_KDE_NET_WM_DESKTOP_FILE",
    "WM_STATE",
    "UTF8_STRING",
    "EDID",
};

} // namespace ostrel::x11
