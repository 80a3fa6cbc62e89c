#pragma once

#include "system/Clock.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QMessageBox;

namespace ostrel {

class SystemAppearanceObserver;

// Identifiers of the windows the presenter knows.
namespace WindowID {
inline constexpr QLatin1StringView saveLayout{"save-layout"};
inline constexpr QLatin1StringView layoutDetails{"layout-details"};
inline constexpr QLatin1StringView chooser{"aux-chooser"};
inline constexpr QLatin1StringView missingDisplays{"aux-missing-displays"};
inline constexpr QLatin1StringView resolution{"aux-resolution"};
inline constexpr QLatin1StringView settings{"settings"};
} // namespace WindowID

// The one presenter of the program's windows and alerts. The program has no main window, so
// nothing brings its windows to the front by itself; the presenter opens windows by identifier
// (one at a time per identifier), brings them forward, closes them from anywhere, tells the
// owner of a decision window when the user (not the program) closed it, and runs the alerts.
//
// Windows are made by content factories registered per identifier: the views register theirs,
// and tests register plain widgets. Main thread only.
class WindowPresenter : public QObject {
    Q_OBJECT

public:
    using ContentFactory = std::function<QWidget *()>;
    using CloseAction = std::function<void()>;
    // The visible height of the main screen in points; absent when there is no screen.
    using ScreenHeight = std::function<std::optional<double>()>;

    // Heights below this are not usable: a window made from "visible height − 100" on a tiny or
    // oddly reported screen would otherwise come out empty or negative.
    static constexpr int minimumWindowHeight = 320;

    // Waits go through `clock` when one is given (tests), else through real time. Alerts follow
    // `appearance` when the user leaves the appearance to the system; without one they keep the
    // application's palette. Both must outlive the presenter.
    explicit WindowPresenter(Clock *clock = nullptr, SystemAppearanceObserver *appearance = nullptr,
                             QObject *parent = nullptr);
    ~WindowPresenter() override;

    void setContentFactory(const QString &id, ContentFactory factory);
    void setMainScreenHeight(ScreenHeight source);
    std::optional<double> mainScreenHeight() const;

    // min(cap, visible height − 100), never below the usable minimum; the cap without a screen.
    static int windowHeight(int cap, std::optional<double> visibleHeight);

    // The decision windows. The close actions run when the user closes the window; the owner
    // passes actions that hold it weakly.
    void showChooser();
    void showMissingDisplays(CloseAction onUserClose);
    void showResolution(CloseAction onUserClose);
    // The two layout windows: resizable within their content's limits, single instance.
    void showSaveLayout();
    void showLayoutDetails();
    // The settings window: one at a time, brought to the front as it is when it is open already.
    void showSettings();

    // Opens the window of `id` with fixed content size, or re-centres and re-titles the open one
    // (which keeps its content), and brings it to the front. Replaces the stored close action.
    void show(const QString &id, const QString &title, QSize size, CloseAction onUserClose);

    // Closes the window of `id` without running its close action; nothing when none is open.
    void close(const QString &id);
    // Closes every window the presenter made or knows, without their close actions, and ends the
    // open alerts as cancelled: the program is quitting.
    void closeAll();
    // Brings the window of `id` to the front, looking for it up to six times 0.1 s apart, for a
    // window that registers itself a moment after it was asked for.
    void focus(const QString &id);
    QWidget *window(const QString &id) const;

    // Windows made elsewhere make themselves known under an identifier (see WindowAccessor).
    // Unregistering leaves an entry that belongs to another window alone.
    void registerWindow(const QString &id, QWidget *window);
    void unregisterWindow(const QString &id, QWidget *window);

    // A warning alert with one "OK" button; completes when the user dismissed it. Its texts can
    // be selected and copied (an error's details, a path).
    //
    // Every alert blocks the program's other windows while it is up, as a modal alert does,
    // without a nested event loop: the caller awaits its end.
    QCoro::Task<void> presentAlert(QString title, QString message);

    // A warning alert whose first button (`actionTitle`) is destructive and second is "Cancel";
    // true only when the first was chosen (Escape, Cancel or any other end give false). Cancel
    // is the default, so that Return never erases anything. Given a window, the alert belongs to
    // it (placed over it, ended as cancelled when the window closes or goes).
    QCoro::Task<bool> confirmDestructiveAction(QString title, QString message, QString actionTitle,
                                               QPointer<QWidget> window = nullptr);

    // The alert shown now, if any (the latest when several are open).
    QMessageBox *activeAlert() const;
    // Clicks the button titled `buttonText` on the active alert; false when there is none.
    bool answerAlert(const QString &buttonText);

private:
    class PresentedWindow;
    enum class Sizing { fixed, resizable };

    void present(const QString &id, const QString &title, QSize size, Sizing sizing,
                 CloseAction onUserClose);
    void handleClosed(const QString &id, PresentedWindow *window);
    static QCoro::Task<void> lookFor(QPointer<WindowPresenter> presenter, Clock *clock, QString id);
    QMessageBox *makeAlert(const QString &title, const QString &message, QWidget *window = nullptr);
    void endAlerts();
    QSize sizeFor(int width, int cap) const;
    QWidget *presentedOrRegistered(const QString &id) const;

    Clock *clock_;
    SystemAppearanceObserver *appearance_ = nullptr;
    QHash<QString, ContentFactory> factories_;
    ScreenHeight screenHeight_;
    QHash<QString, QPointer<PresentedWindow>> controllers_;
    QHash<QString, QPointer<QWidget>> registeredWindows_;
    QHash<QString, CloseAction> onUserClose_;
    QSet<QString> closingProgrammatically_;
    QList<QPointer<QMessageBox>> alerts_;
};

// Placed inside a window made elsewhere, registers that window with the presenter under `id`
// for as long as it sits in it, so the presenter can focus and close it.
class WindowAccessor : public QWidget {
    Q_OBJECT

public:
    WindowAccessor(QString id, WindowPresenter &presenter, QWidget *parent = nullptr);
    ~WindowAccessor() override;

protected:
    bool event(QEvent *event) override;

private:
    void follow();

    QString id_;
    QPointer<WindowPresenter> presenter_;
    QPointer<QWidget> registeredWindow_;
};

} // namespace ostrel
