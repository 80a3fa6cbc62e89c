#include "program/PanelShell.h"

#include "program/PanelPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>

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
};

PanelShell::PanelShell(Mode mode, ContentFactory content, const QIcon &trayIcon, Clock *clock,
                       QObject *parent)
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

    if (mode_ == Mode::tray) {
        trayIcon_ = std::make_unique<QSystemTrayIcon>(trayIcon);
        trayIcon_->setToolTip(programName);
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
    showPanel();
}

void PanelShell::showPanel()
{
    hiddenByDeactivation_.reset();
    if (mode_ == Mode::tray) {
        showInTray();
    } else {
        if (window_->isMinimized()) {
            window_->showNormal();
        }
        window_->show();
    }
    window_->raise();
    window_->activateWindow();
}

void PanelShell::showInTray()
{
    const QRect icon = iconGeometry_ ? iconGeometry_() : QRect();
    anchor_ = icon.isValid() && !icon.isEmpty()
        ? icon
        : QRect(pointer_ ? pointer_() : QPoint(), QSize(1, 1));
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
    if (mode_ != Mode::tray || !window_->isVisible() || focus != nullptr) {
        return;
    }
    hidePanel();
    hiddenByDeactivation_ = now();
}

QRect PanelShell::anchorArea() const
{
    const QPoint point =
        mode_ == Mode::tray && anchor_.isValid() ? anchor_.center() : window_->geometry().center();
    const QScreen *screen = screenFor(point);
    return screen ? screen->availableGeometry() : QRect();
}

void PanelShell::fit()
{
    QLayout *layout = window_->layout();
    if (!layout) {
        return;
    }
    int height = layout->hasHeightForWidth() ? layout->totalHeightForWidth(panelWidth)
                                             : layout->totalSizeHint().height();
    const QRect area = anchorArea();
    if (area.isValid()) {
        height = std::min(height, area.height());
    }
    height = std::max(height, 1);
    if (window_->height() != height) {
        window_->resize(panelWidth, height);
    }
    if (mode_ == Mode::tray && anchor_.isValid() && area.isValid()) {
        window_->move(PanelPlacement::topLeft(window_->size(), anchor_, area));
    }
}

} // namespace ostrel
