#pragma once

#include "system/Clock.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QList>
#include <QMargins>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QWindow;

namespace ostrel {

class PanelWindow;

// The program's presence on the desktop: the tray icon and the panel it opens, or, where the
// desktop hosts no tray, the panel as an ordinary window.
//
// With a tray, activating the icon toggles the panel: a frameless tool window without a taskbar
// entry, 320 wide, placed against the icon and kept inside that screen's available area. A tray
// that does not say where its icon is (StatusNotifier) was clicked where the pointer is when the
// pointer is on a panel; otherwise (a later start, a click from the keyboard) the panel opens
// where the tray last placed it, else at the corner of the work area next to the panel that
// reserves screen space, never in mid-screen. It hides when the program loses activation to
// another application; a window or alert of the program in front keeps it open, and when that
// window closes the panel takes the focus back, so that a click elsewhere or Escape still puts it
// away. No `Qt::Popup`: its input grab would block the alerts the panel opens. The icon's context
// menu holds the panel's own commands.
//
// Without a tray, the panel is a window titled "Ostrel" with a taskbar entry, shown at start;
// closing it minimizes it, so the program stays within reach. Only quitting ends it.
//
// The panel's content comes from a factory, built once. Main thread only.
class PanelShell : public QObject {
    Q_OBJECT

public:
    enum class Mode { tray, window };
    using ContentFactory = std::function<QWidget *()>;
    // What the tray icon's context menu offers besides opening the panel.
    struct Commands {
        std::function<void()> openSettings;
        std::function<void()> quit;
    };

    static constexpr int panelWidth = 320;
    // How the tray panel's edge is drawn, as the desktop's own popups: a one-pixel border, and
    // under a compositor a shadow around it too (the window then reaches past the panel by the
    // shadow's width). Without a tray the window manager draws the window's frame.
    enum class Frame { none, border, shadow };
    static constexpr int shadowWidth = 14;
    // An activation that comes this soon after the panel hid because the program lost
    // activation is the same click that took it away (a tray host that takes the focus on a
    // click): it closes the panel rather than opening it again.
    static constexpr Clock::Duration reopenGuard = std::chrono::milliseconds(400);

    // `trayIcon` is the icon shown in the tray, `commands` those of its context menu; `clock`
    // (may be null: real time) times the reopen guard.
    PanelShell(Mode mode, ContentFactory content, const QIcon &trayIcon = {},
               Commands commands = {}, Clock *clock = nullptr, QObject *parent = nullptr);
    ~PanelShell() override;

    PanelShell(const PanelShell &) = delete;
    PanelShell &operator=(const PanelShell &) = delete;

    Mode mode() const { return mode_; }
    QWidget *panel() const;
    QWidget *content() const { return content_; }
    // Null without a tray.
    QSystemTrayIcon *trayIcon() const { return trayIcon_.get(); }
    // The tray icon's context menu; null without a tray.
    QMenu *trayMenu() const { return menu_.get(); }

    // The tray icon was activated: shows the panel against the icon, or hides it when it is
    // shown.
    void toggle();
    // Shows the panel and brings it to the front (a later start asked for it).
    void showPanel();
    void hidePanel();

    // A tray that stays dark or light wants the icon drawn to match.
    void setTrayIcon(const QIcon &icon);

    // Where the icon and the pointer are; the tray's and Qt's own unless a test says otherwise.
    // An empty rectangle is a tray that does not say.
    void setIconGeometrySource(std::function<QRect()> source);
    void setPointerSource(std::function<QPoint()> source);
    // The available area of the monitor holding a point (Qt's own by default): a pointer outside
    // it is on a panel.
    void setWorkAreaSource(std::function<QRect(QPoint)> source);
    // The primary monitor's whole rectangle and its available area (Qt's own by default): where
    // they differ, a panel reserves that edge.
    void setPrimaryScreenSource(std::function<std::pair<QRect, QRect>()> source);
    // Before the panel is first shown (the window's transparency is chosen when it is made).
    void setFrame(Frame frame);
    Frame frame() const { return frame_; }
    // What the panel's edge leaves around the content, and the panel's own rectangle (the border
    // included, the shadow not) in the window.
    QMargins frameMargins() const;
    QRect panelRect() const;

    // Runs before the tray panel is shown, on its window made but not yet mapped: for what the
    // window system must be told before (keeping it off the taskbar).
    void setPrepareWindow(std::function<void(QWidget *window)> prepare);

    // The application's focus window changed (another application took activation when null).
    void focusWindowChanged(QWindow *focus);

private:
    friend class PanelWindow;

    void showInTray(bool fromTray);
    QRect anchorFor(bool fromTray);
    QRect trayCorner() const;
    void watchOpened(QWindow *window);
    void openedWindowClosed();
    void nameTrayIconWindow();
    // Sizes the panel to its content within the screen and, with a tray, places it again against
    // the anchor it was opened at.
    void fit();
    QRect anchorArea() const;
    Clock::TimePoint now() const;

    Mode mode_;
    Frame frame_ = Frame::none;
    Clock *clock_;
    std::unique_ptr<PanelWindow> window_;
    QPointer<QWidget> content_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    std::function<QRect()> iconGeometry_;
    std::function<QPoint()> pointer_;
    std::function<QRect(QPoint)> workArea_;
    std::function<std::pair<QRect, QRect>()> primaryScreen_;
    std::unique_ptr<QMenu> menu_;
    QList<QPointer<QWindow>> opened_;
    // Where the tray last placed the panel: the icon, or the pointer that clicked it on a panel.
    QRect lastTrayAnchor_;
    std::function<void(QWidget *)> prepareWindow_;
    QRect anchor_;
    std::optional<Clock::TimePoint> hiddenByDeactivation_;
    // Whether the program has been active since the panel was last shown: only then does its
    // losing the activation mean that something else was chosen.
    bool activeSinceShown_ = false;
};

} // namespace ostrel
