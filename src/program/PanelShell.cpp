#include "program/PanelShell.h"

#include "program/PanelPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const QString programName = QStringLiteral("Ostrel");

QScreen *screenFor(QPoint point)
{
    if (QScreen *screen = QGuiApplication::screenAt(point)) {
        return screen;
    }
    return QGuiApplication::primaryScreen();
}

} // namespace

// The panel's own window: it tells the shell when its content asks for another size, and it
// only minimizes when the user closes it without a tray.
class PanelWindow final : public QWidget {
public:
    explicit PanelWindow(PanelShell &shell)
        : shell_(shell)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (shell_.frame() == PanelShell::Frame::none) {
            return;
        }
        QPainter painter(this);
        const QRect panel = shell_.panelRect();
        const QWidget *content = shell_.content();
        const QPalette palette = content ? content->palette() : this->palette();
        const bool dark = palette.color(QPalette::Window).lightness()
            < palette.color(QPalette::WindowText).lightness();
        if (shell_.frame() == PanelShell::Frame::shadow) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(rect(), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            if (shadow_.size() != size()) {
                shadow_ = shadowImage(size(), panel, dark);
            }
            painter.drawImage(0, 0, shadow_);
        }
        painter.fillRect(panel, palette.color(QPalette::Window));
        // A line a shade off the panel's own colour, darker in light, lighter in dark: the edge
        // reads against any desktop.
        painter.setPen(dark ? QColor(255, 255, 255, 60) : QColor(0, 0, 0, 70));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5));
    }

    // A soft shadow falling a little below the panel, fading over the shadow's width.
    static QImage shadowImage(QSize size, QRect panel, bool dark)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        const QRectF cast = QRectF(panel).translated(0, 3);
        const double sigma = PanelShell::shadowWidth / 3.0;
        const double strength = dark ? 0.55 : 0.30;
        for (int y = 0; y < size.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                const double cx = x + 0.5;
                const double cy = y + 0.5;
                const double dx = std::max({cast.left() - cx, 0.0, cx - cast.right()});
                const double dy = std::max({cast.top() - cy, 0.0, cy - cast.bottom()});
                const double distance = std::sqrt(dx * dx + dy * dy);
                const int alpha = int(std::lround(
                    255 * strength * std::exp(-distance * distance / (2 * sigma * sigma))));
                row[x] = qRgba(0, 0, 0, alpha);
            }
        }
        return image;
    }

    bool event(QEvent *event) override
    {
        const bool handled = QWidget::event(event);
        if (event->type() == QEvent::LayoutRequest) {
            shell_.fit();
        }
        return handled;
    }

    void closeEvent(QCloseEvent *event) override
    {
        event->ignore();
        if (shell_.mode() == PanelShell::Mode::window) {
            showMinimized();
        } else {
            shell_.hidePanel();
        }
    }

private:
    PanelShell &shell_;
    QImage shadow_;
};

PanelShell::PanelShell(Mode mode, ContentFactory content, const QIcon &trayIcon, Commands commands,
                       Clock *clock, QObject *parent)
    : QObject(parent)
    , mode_(mode)
    , clock_(clock)
    , window_(std::make_unique<PanelWindow>(*this))
{
    QWidget *window = window_.get();
    window->setObjectName(QStringLiteral("ostrel-panel-window"));
    window->setWindowTitle(programName);
    window->setAccessibleName(programName);
    if (mode_ == Mode::tray) {
        window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    } else {
        window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                               | Qt::WindowMinimizeButtonHint);
    }
    window->setFixedWidth(panelWidth);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    if (content) {
        content_ = content();
        if (content_) {
            layout->addWidget(content_);
        }
    }

    iconGeometry_ = [this] { return trayIcon_ ? trayIcon_->geometry() : QRect(); };
    pointer_ = [] { return QCursor::pos(); };
    workArea_ = [](QPoint point) {
        const QScreen *screen = screenFor(point);
        return screen ? screen->availableGeometry() : QRect();
    };
    primaryScreen_ = [] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        return screen ? std::pair(screen->geometry(), screen->availableGeometry())
                      : std::pair(QRect(), QRect());
    };

    if (mode_ == Mode::tray) {
        trayIcon_ = std::make_unique<QSystemTrayIcon>(trayIcon);
        trayIcon_->setToolTip(programName);
        // A right click on every tray utility opens a menu: the panel's own commands. Set before
        // the icon is shown: a StatusNotifier host reads whether the icon has a menu only then.
        menu_ = std::make_unique<QMenu>();
        menu_->setObjectName(QStringLiteral("ostrel-tray-menu"));
        menu_->addAction(QStringLiteral("Open Ostrel"), this, &PanelShell::showPanel);
        menu_->addSeparator();
        if (commands.openSettings) {
            menu_->addAction(QStringLiteral("Settings…"), this, commands.openSettings);
        }
        if (commands.quit) {
            menu_->addAction(QStringLiteral("Quit Ostrel"), this, commands.quit);
        }
        trayIcon_->setContextMenu(menu_.get());
        connect(trayIcon_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger
                        || reason == QSystemTrayIcon::DoubleClick) {
                        toggle();
                    }
                });
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
                &PanelShell::focusWindowChanged);
        // Escape puts the panel away as a click elsewhere does, as it closes every other window.
        auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        connect(escape, &QShortcut::activated, this, &PanelShell::hidePanel);
        trayIcon_->show();
        nameTrayIconWindow();
    }
    fit();
}

PanelShell::~PanelShell()
{
    trayIcon_.reset();
    menu_.reset();
    window_.reset();
}

void PanelShell::nameTrayIconWindow()
{
    // In an XEmbed tray the icon is a small window of Qt's own, which the accessibility bus
    // shows under no name unless it is given one.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == QLatin1String("QSystemTrayIconSys")) {
            window->setAccessibleName(programName);
        }
    }
}

QWidget *PanelShell::panel() const
{
    return window_.get();
}

void PanelShell::setTrayIcon(const QIcon &icon)
{
    if (trayIcon_) {
        trayIcon_->setIcon(icon);
    }
}

void PanelShell::setIconGeometrySource(std::function<QRect()> source)
{
    iconGeometry_ = std::move(source);
}

void PanelShell::setPointerSource(std::function<QPoint()> source)
{
    pointer_ = std::move(source);
}

void PanelShell::setWorkAreaSource(std::function<QRect(QPoint)> source)
{
    workArea_ = std::move(source);
}

void PanelShell::setPrimaryScreenSource(std::function<std::pair<QRect, QRect>()> source)
{
    primaryScreen_ = std::move(source);
}

void PanelShell::setFrame(Frame frame)
{
    if (mode_ != Mode::tray || frame == frame_) {
        return;
    }
    frame_ = frame;
    QWidget *window = window_.get();
    if (frame_ == Frame::shadow) {
        window->setAttribute(Qt::WA_TranslucentBackground);
    }
    window->layout()->setContentsMargins(frameMargins());
    window->setFixedWidth(panelWidth + frameMargins().left() + frameMargins().right());
    fit();
}

QMargins PanelShell::frameMargins() const
{
    switch (frame_) {
    case Frame::none:
        break;
    case Frame::border:
        return {1, 1, 1, 1};
    case Frame::shadow:
        // The shadow falls a little below the panel: more room there than above.
        return {shadowWidth + 1, shadowWidth - 2, shadowWidth + 1, shadowWidth + 4};
    }
    return {};
}

QRect PanelShell::panelRect() const
{
    const QMargins edge = frame_ == Frame::none ? QMargins() : QMargins(1, 1, 1, 1);
    return window_->rect().marginsRemoved(frameMargins() - edge);
}

void PanelShell::setPrepareWindow(std::function<void(QWidget *window)> prepare)
{
    prepareWindow_ = std::move(prepare);
}

Clock::TimePoint PanelShell::now() const
{
    return clock_ ? clock_->now() : std::chrono::steady_clock::now();
}

void PanelShell::toggle()
{
    if (mode_ == Mode::window) {
        showPanel();
        return;
    }
    if (window_->isVisible()) {
        hidePanel();
        return;
    }
    if (hiddenByDeactivation_ && now() - *hiddenByDeactivation_ < reopenGuard) {
        hiddenByDeactivation_.reset();
        return;
    }
    hiddenByDeactivation_.reset();
    showInTray(true);
    window_->raise();
    window_->activateWindow();
}

void PanelShell::showPanel()
{
    hiddenByDeactivation_.reset();
    if (mode_ == Mode::tray) {
        showInTray(false);
    } else {
        if (window_->isMinimized()) {
            window_->showNormal();
        }
        window_->show();
    }
    window_->raise();
    window_->activateWindow();
}

QRect PanelShell::anchorFor(bool fromTray)
{
    const QRect icon = iconGeometry_ ? iconGeometry_() : QRect();
    if (icon.isValid() && !icon.isEmpty()) {
        lastTrayAnchor_ = icon;
        return icon;
    }
    // A StatusNotifier tray does not say where its icon is. The click that activated it was on
    // the icon, so a pointer on a panel (outside the work area) is where the icon is; a pointer
    // in mid-screen says nothing (a later start, a key press in the tray).
    if (fromTray && pointer_) {
        const QPoint pointer = pointer_();
        const QRect area = workArea_ ? workArea_(pointer) : QRect();
        if (area.isValid() && !area.contains(pointer)) {
            lastTrayAnchor_ = QRect(pointer, QSize(1, 1));
            return lastTrayAnchor_;
        }
    }
    if (lastTrayAnchor_.isValid()) {
        return lastTrayAnchor_;
    }
    return trayCorner();
}

QRect PanelShell::trayCorner() const
{
    const auto [screen, area] = primaryScreen_ ? primaryScreen_() : std::pair(QRect(), QRect());
    if (!area.isValid()) {
        return {};
    }
    // The edge a panel reserves most of is the one that holds the tray; with none (or one as deep
    // as another) the top, where most desktops keep their status icons. Along that edge the tray
    // sits at the end: the right of a top or bottom bar, the bottom of a side bar.
    const int top = area.top() - screen.top();
    const int bottom = screen.bottom() - area.bottom();
    const int left = area.left() - screen.left();
    const int right = screen.right() - area.right();
    const int deepest = std::max({top, bottom, left, right});
    if (deepest <= 0 || top == deepest) {
        return {area.right(), area.top() - 1, 1, 1};
    }
    if (bottom == deepest) {
        return {area.right(), area.bottom() + 1, 1, 1};
    }
    if (right == deepest) {
        return {area.right() + 1, area.bottom(), 1, 1};
    }
    return {area.left() - 1, area.bottom(), 1, 1};
}

void PanelShell::showInTray(bool fromTray)
{
    if (!window_->isVisible()) {
        activeSinceShown_ = false;
    }
    anchor_ = anchorFor(fromTray);
    fit();
    if (prepareWindow_ && !window_->isVisible()) {
        window_->winId();
        prepareWindow_(window_.get());
    }
    window_->show();
    // The window manager may have placed it on its own while mapping it.
    fit();
}

void PanelShell::hidePanel()
{
    window_->hide();
}

void PanelShell::focusWindowChanged(QWindow *focus)
{
    if (mode_ != Mode::tray) {
        return;
    }
    if (focus && focus != window_->windowHandle()) {
        watchOpened(focus);
    }
    if (focus) {
        activeSinceShown_ = activeSinceShown_ || window_->isVisible();
        return;
    }
    // The deactivation that a hide brings can arrive after the panel was asked back (a second
    // start right after Escape): it belongs to the hidden panel, not to the one on screen.
    if (!window_->isVisible() || !activeSinceShown_) {
        return;
    }
    hidePanel();
    hiddenByDeactivation_ = now();
}

void PanelShell::watchOpened(QWindow *window)
{
    opened_.removeAll(nullptr);
    if (opened_.contains(window)) {
        return;
    }
    opened_.append(window);
    connect(window, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible) {
            openedWindowClosed();
        }
    });
    connect(window, &QObject::destroyed, this, &PanelShell::openedWindowClosed);
}

void PanelShell::openedWindowClosed()
{
    // Qt forgets a focused window that goes away without telling anyone, and the window manager
    // may hand the focus to any window: the panel would stay up without the focus, deaf to a
    // click elsewhere and to Escape. It takes the focus back instead, as it had it before that
    // window opened. Later, once the closing is over, when no other window of the program took it.
    QTimer::singleShot(0, this, [this] {
        if (mode_ != Mode::tray || !window_->isVisible()) {
            return;
        }
        const QWindow *focus = QGuiApplication::focusWindow();
        if (focus && focus->isVisible()) {
            return;
        }
        window_->raise();
        window_->activateWindow();
    });
}

QRect PanelShell::anchorArea() const
{
    const QPoint point =
        mode_ == Mode::tray && anchor_.isValid() ? anchor_.center() : window_->geometry().center();
    return workArea_ ? workArea_(point) : QRect();
}

void PanelShell::fit()
{
    QLayout *layout = window_->layout();
    if (!layout) {
        return;
    }
    const QMargins margins = frameMargins();
    // The panel's own edge (the border) counts towards what must fit on the screen; the shadow
    // may reach past it.
    const QMargins edge = frame_ == Frame::none ? QMargins() : QMargins(1, 1, 1, 1);
    const QMargins shadow = margins - edge;
    const int contentWidth = panelWidth;
    int height = layout->hasHeightForWidth()
        ? layout->totalHeightForWidth(contentWidth + margins.left() + margins.right())
        : layout->totalSizeHint().height();
    height -= shadow.top() + shadow.bottom();
    const QRect area = anchorArea();
    if (area.isValid()) {
        height = std::min(height, area.height());
    }
    height = std::max(height, 1);
    const QSize panel(contentWidth + edge.left() + edge.right(), height);
    const QSize window(panel.width() + shadow.left() + shadow.right(),
                       panel.height() + shadow.top() + shadow.bottom());
    if (window_->size() != window) {
        window_->resize(window);
    }
    if (mode_ == Mode::tray && anchor_.isValid() && area.isValid()) {
        window_->move(PanelPlacement::topLeft(panel, anchor_, area)
                      - QPoint(shadow.left(), shadow.top()));
    }
}

} // namespace ostrel
