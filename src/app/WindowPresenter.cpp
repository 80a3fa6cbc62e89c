#include "app/WindowPresenter.h"

#include "model/Preferences.h"
#include "platform/AppearancePalettes.h"
#include "platform/SystemAppearanceObserver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoro/QCoroTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <coroutine>
#include <utility>

namespace ostrel {

namespace {

constexpr int focusLooks = 6;
// Set on a window whose size is its content's.
const char *const sizedByContent = "ostrelSizedByContent";
constexpr std::chrono::milliseconds focusPause{100};
// The narrowest an alert's message wraps to, in pixels.
constexpr int alertMessageWidth = 300;

// The alerts follow the appearance the user chose in the program, not only the desktop's.
void applyAppearance(QWidget *widget, AppearancePreference appearance,
                     const SystemAppearanceObserver *observer)
{
    switch (appearance) {
    case AppearancePreference::dark:
        widget->setPalette(AppearancePalettes::dark());
        break;
    case AppearancePreference::light:
        widget->setPalette(AppearancePalettes::light());
        break;
    case AppearancePreference::system:
        if (observer) {
            widget->setPalette(AppearancePalettes::forDark(observer->isDark()));
        }
        break;
    }
}

void bringToFront(QWidget *window)
{
    window->show();
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->raise();
    window->activateWindow();
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

// Waits for an alert to end and gives the button that ended it (none for Escape or a close).
// It resumes the waiting coroutine right inside `finished`, before the alert's deferred deletion
// (a queued resume would be dropped with the deleted alert and never come). An alert destroyed
// with the window it belongs to, without finishing, ends as cancelled.
class AlertEnd {
public:
    explicit AlertEnd(QMessageBox *alert)
        : alert_(alert)
    {
    }

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> waiting)
    {
        finished_ = QObject::connect(alert_, &QDialog::finished, alert_, [this, waiting]() {
            QObject::disconnect(finished_);
            QObject::disconnect(destroyed_);
            clicked_ = alert_->clickedButton();
            waiting.resume();
        });
        destroyed_ = QObject::connect(alert_, &QObject::destroyed, [this, waiting]() {
            QObject::disconnect(finished_);
            QObject::disconnect(destroyed_);
            waiting.resume();
        });
    }

    QAbstractButton *await_resume() const noexcept { return clicked_; }

private:
    QMessageBox *alert_;
    QAbstractButton *clicked_ = nullptr;
    QMetaObject::Connection finished_;
    QMetaObject::Connection destroyed_;
};

// Ends an alert that belongs to a window as cancelled when the program or the user closes that
// window; a window minimized by the user keeps its alert.
class AlertOwnerWatch final : public QObject {
public:
    AlertOwnerWatch(QMessageBox *alert, QWidget *window)
        : QObject(alert)
        , alert_(alert)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous() && alert_->isVisible()) {
            alert_->done(QMessageBox::Cancel);
        }
        return false;
    }

private:
    QMessageBox *alert_;
};

} // namespace

// The window the presenter makes around a view. It reports its own close, so that the presenter
// forgets it and can tell a close by the user from one it started.
class WindowPresenter::PresentedWindow final : public QWidget {
public:
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        QWidget::closeEvent(event);
        if (event->isAccepted() && onClose) {
            // Moved out first: the handler deletes this window later and may show a new one.
            auto handler = std::move(onClose);
            onClose = nullptr;
            handler();
        }
    }
};

WindowPresenter::WindowPresenter(Clock *clock, SystemAppearanceObserver *appearance,
                                 QObject *parent)
    : QObject(parent)
    , clock_(clock)
    , appearance_(appearance)
{
}

WindowPresenter::~WindowPresenter()
{
    endAlerts();
    for (const QPointer<PresentedWindow> &window : std::as_const(controllers_)) {
        if (window) {
            window->onClose = nullptr;
            delete window;
        }
    }
}

void WindowPresenter::setContentFactory(const QString &id, ContentFactory factory)
{
    factories_.insert(id, std::move(factory));
}

void WindowPresenter::setMainScreenHeight(ScreenHeight source)
{
    screenHeight_ = std::move(source);
}

std::optional<double> WindowPresenter::mainScreenHeight() const
{
    if (screenHeight_) {
        return screenHeight_();
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        return screen->availableGeometry().height();
    }
    return std::nullopt;
}

int WindowPresenter::windowHeight(int cap, std::optional<double> visibleHeight)
{
    if (!visibleHeight || !std::isfinite(*visibleHeight)) {
        return cap;
    }
    const double height = std::min<double>(cap, *visibleHeight - 100.0);
    return std::max<int>(minimumWindowHeight, static_cast<int>(std::max(height, 0.0)));
}

QSize WindowPresenter::sizeFor(int width, int cap) const
{
    return {width, windowHeight(cap, mainScreenHeight())};
}

void WindowPresenter::showChooser()
{
    show(WindowID::chooser, QStringLiteral("Restore Layout"), sizeFor(440, 575), nullptr);
}

void WindowPresenter::showMissingDisplays(CloseAction onUserClose)
{
    show(WindowID::missingDisplays, QStringLiteral("Choose a Display"), sizeFor(640, 650),
         std::move(onUserClose));
}

void WindowPresenter::showResolution(CloseAction onUserClose)
{
    show(WindowID::resolution, QStringLiteral("Choose Windows"), sizeFor(640, 875),
         std::move(onUserClose));
}

void WindowPresenter::showSaveLayout()
{
    present(WindowID::saveLayout, QStringLiteral("Save Layout"), sizeFor(640, 813),
            Sizing::resizable, nullptr);
}

void WindowPresenter::showLayoutDetails()
{
    present(WindowID::layoutDetails, QStringLiteral("Layout Details"), sizeFor(640, 875),
            Sizing::resizable, nullptr);
}

void WindowPresenter::showSettings()
{
    if (PresentedWindow *open = controllers_.value(WindowID::settings)) {
        bringToFront(open);
        return;
    }
    present(WindowID::settings, QStringLiteral("Ostrel Settings"), sizeFor(640, 750), Sizing::fixed,
            nullptr);
}

void WindowPresenter::show(const QString &id, const QString &title, QSize size,
                           CloseAction onUserClose)
{
    present(id, title, size, Sizing::fixed, std::move(onUserClose));
}

void WindowPresenter::present(const QString &id, const QString &title, QSize size, Sizing sizing,
                              CloseAction onUserClose)
{
    if (onUserClose) {
        onUserClose_.insert(id, std::move(onUserClose));
    } else {
        onUserClose_.remove(id);
    }
    // A close the program started is over by now; this window's next close is the user's.
    closingProgrammatically_.remove(id);

    if (PresentedWindow *existing = controllers_.value(id)) {
        // The open window keeps its content, which reads the current state itself. A layout
        // window keeps the size the user gave it; a decision window takes the new one, unless
        // its content sizes itself.
        existing->setWindowTitle(title);
        if (sizing == Sizing::fixed && !existing->property(sizedByContent).toBool()) {
            existing->setFixedSize(size);
            centreOnScreen(existing);
        }
        bringToFront(existing);
        return;
    }

    auto *window = new PresentedWindow;
    window->setObjectName(id);
    window->setWindowTitle(title);
    Qt::WindowFlags flags =
        Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;
    if (sizing == Sizing::resizable) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    window->setWindowFlags(flags);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    if (sizing == Sizing::resizable) {
        // Resizable only as far as the content allows: a content of one size makes a window of
        // one size.
        layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
    }
    if (const ContentFactory factory = factories_.value(id)) {
        if (QWidget *content = factory()) {
            layout->addWidget(content);
        }
    }
    QWidget *content = layout->count() > 0 ? layout->itemAt(0)->widget() : nullptr;
    if (sizing == Sizing::fixed && content && content->minimumSize() == content->maximumSize()
        && content->maximumHeight() <= size.height()) {
        // A content of one size, no taller than the window may be (it is as tall as what it
        // shows): the window follows it as it grows and shrinks.
        layout->setSizeConstraint(QLayout::SetFixedSize);
        window->setProperty(sizedByContent, true);
    } else if (sizing == Sizing::fixed) {
        window->setFixedSize(size);
    } else {
        window->resize(size);
    }
    centreOnScreen(window);

    controllers_.insert(id, window);
    registeredWindows_.insert(id, window);
    QPointer<WindowPresenter> presenter(this);
    window->onClose = [presenter, id, window]() {
        if (presenter) {
            presenter->handleClosed(id, window);
        }
    };
    bringToFront(window);
}

void WindowPresenter::handleClosed(const QString &id, PresentedWindow *window)
{
    // A window replaced meanwhile by a newer one under the same identifier only goes away.
    if (controllers_.value(id) != window) {
        window->deleteLater();
        return;
    }
    window->setObjectName(QString());
    controllers_.remove(id);
    if (registeredWindows_.value(id) == window) {
        registeredWindows_.remove(id);
    }
    const bool byProgram = closingProgrammatically_.remove(id);
    const CloseAction action = onUserClose_.take(id);
    window->deleteLater();
    if (!byProgram && action) {
        action();
    }
}

QWidget *WindowPresenter::presentedOrRegistered(const QString &id) const
{
    if (PresentedWindow *window = controllers_.value(id)) {
        return window;
    }
    return registeredWindows_.value(id);
}

QWidget *WindowPresenter::window(const QString &id) const
{
    return presentedOrRegistered(id);
}

void WindowPresenter::close(const QString &id)
{
    QWidget *window = presentedOrRegistered(id);
    if (!window) {
        // Nothing open: no mark, or the user's next close of a later window of this identifier
        // would be taken for the program's and skip its close action.
        return;
    }
    closingProgrammatically_.insert(id);
    window->close();
    // The close is handled inside `close()`; a window that refused to close keeps no mark.
    closingProgrammatically_.remove(id);
}

void WindowPresenter::closeAll()
{
    endAlerts();
    QSet<QString> ids(controllers_.keyBegin(), controllers_.keyEnd());
    ids.unite(QSet<QString>(registeredWindows_.keyBegin(), registeredWindows_.keyEnd()));
    for (const QString &id : std::as_const(ids)) {
        close(id);
    }
}

void WindowPresenter::endAlerts()
{
    // Ended as cancelled, so that nothing waits for them forever.
    const auto alerts = std::exchange(alerts_, {});
    for (const QPointer<QMessageBox> &alert : alerts) {
        if (alert) {
            alert->done(QMessageBox::Cancel);
            delete alert;
        }
    }
}

void WindowPresenter::focus(const QString &id)
{
    lookFor(QPointer<WindowPresenter>(this), clock_, id);
}

QCoro::Task<void> WindowPresenter::lookFor(QPointer<WindowPresenter> presenter, Clock *clock,
                                           QString id)
{
    for (int look = 1;; ++look) {
        if (!presenter) {
            co_return;
        }
        if (QWidget *window = presenter->presentedOrRegistered(id)) {
            bringToFront(window);
            co_return;
        }
        if (look == focusLooks) {
            co_return;
        }
        QCoro::Task<void> pause = clock ? clock->sleep(focusPause) : QCoro::sleepFor(focusPause);
        co_await pause;
    }
}

void WindowPresenter::registerWindow(const QString &id, QWidget *window)
{
    if (window) {
        registeredWindows_.insert(id, window);
    }
}

void WindowPresenter::unregisterWindow(const QString &id, QWidget *window)
{
    auto it = registeredWindows_.find(id);
    if (it != registeredWindows_.end() && (it->isNull() || it->data() == window)) {
        registeredWindows_.erase(it);
    }
}

QMessageBox *WindowPresenter::makeAlert(const QString &title, const QString &message,
                                        QWidget *window)
{
    auto *alert = new QMessageBox(window);
    if (window) {
        new AlertOwnerWatch(alert, window);
    }
    alert->setObjectName(QStringLiteral("ostrel-alert"));
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(QStringLiteral("Ostrel"));
    // Titles and messages carry layout names and error texts: shown as they are, never as markup.
    alert->setTextFormat(Qt::PlainText);
    alert->setText(title);
    alert->setInformativeText(message);
    if (auto *informative =
            alert->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextFormat(Qt::PlainText);
        // The message wraps at whatever width the box is given, and Qt gives a wrapping label
        // its narrowest: a three-sentence question then stands in a column of two words.
        informative->setMinimumWidth(alertMessageWidth);
    }
    // Selectable by the mouse only: a keyboard-selectable label would add a Tab stop before the
    // buttons.
    alert->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Application-modal: the other windows wait for the answer, as they would for a modal alert,
    // while the event loop keeps running and the caller awaits the end.
    alert->setWindowModality(Qt::ApplicationModal);
    applyAppearance(alert, Preferences::appearance(), appearance_);
    alerts_.append(alert);
    // Deleted only after `finished`, which every way of ending the alert emits, so that whoever
    // awaits it can still ask which button ended it.
    connect(alert, &QDialog::finished, this, [this, alert]() {
        alerts_.removeAll(alert);
        alert->deleteLater();
    });
    return alert;
}

QCoro::Task<void> WindowPresenter::presentAlert(QString title, QString message)
{
    QMessageBox *alert = makeAlert(title, message);
    alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    alert->show();
    bringToFront(alert);
    co_await AlertEnd(alert);
}

QCoro::Task<bool> WindowPresenter::confirmDestructiveAction(QString title, QString message,
                                                            QString actionTitle,
                                                            QPointer<QWidget> window)
{
    QMessageBox *alert = makeAlert(title, message, window ? window->window() : nullptr);
    QPointer<QPushButton> action = alert->addButton(actionTitle, QMessageBox::DestructiveRole);
    QPushButton *cancel = alert->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    alert->show();
    bringToFront(alert);
    QAbstractButton *chosen = co_await AlertEnd(alert);
    co_return chosen != nullptr &&chosen == action;
}

QMessageBox *WindowPresenter::activeAlert() const
{
    for (auto it = alerts_.crbegin(); it != alerts_.crend(); ++it) {
        if (*it && (*it)->isVisible()) {
            return *it;
        }
    }
    return nullptr;
}

bool WindowPresenter::answerAlert(const QString &buttonText)
{
    QMessageBox *alert = activeAlert();
    if (!alert) {
        return false;
    }
    const auto buttons = alert->buttons();
    for (QAbstractButton *button : buttons) {
        if (button->text() == buttonText) {
            button->click();
            return true;
        }
    }
    return false;
}

WindowAccessor::WindowAccessor(QString id, WindowPresenter &presenter, QWidget *parent)
    : QWidget(parent)
    , id_(std::move(id))
    , presenter_(&presenter)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(0, 0);
    follow();
}

WindowAccessor::~WindowAccessor()
{
    if (presenter_ && registeredWindow_) {
        presenter_->unregisterWindow(id_, registeredWindow_);
    }
}

bool WindowAccessor::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
        follow();
    }
    return QWidget::event(event);
}

void WindowAccessor::follow()
{
    QWidget *current = window() == this ? nullptr : window();
    if (registeredWindow_ && registeredWindow_ != current && presenter_) {
        presenter_->unregisterWindow(id_, registeredWindow_);
    }
    registeredWindow_ = current;
    if (current && presenter_) {
        presenter_->registerWindow(id_, current);
    }
}

} // namespace ostrel
