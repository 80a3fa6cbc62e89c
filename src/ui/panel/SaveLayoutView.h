#pragma once

#include "ui/panel/ViewEnvironment.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <optional>

namespace ostrel {

class AppModel;
class CaptureCoordinator;
class SaveLayoutEditor;

// The content of the "save-layout" window: one editor for the model's pending capture, made
// afresh whenever the capture's identity changes (a new capture, or none after a save or a
// discard). The editor that goes away without having saved discards its capture: when it is
// replaced, and when the window closes — never when the window is only hidden or minimized.
//
// The save belongs to this view, not to an editor: a successful save clears the capture before
// it returns, which replaces the editor that asked for it, and Cancel or the close button may end
// the window while the store still writes. So the save's outcome goes to the editor that asked
// only while it is still the one shown, a success closes the window, and an outcome that arrives
// after the window is gone is dropped (the model has stored the layout regardless).
class SaveLayoutView : public QWidget {
    Q_OBJECT

public:
    explicit SaveLayoutView(const ViewEnvironment &environment, QWidget *parent = nullptr);
    ~SaveLayoutView() override;

    // The editor shown now.
    SaveLayoutEditor *editor() const;

    // The window's content height: min(813, visible height − 100), never below the presenter's
    // floor; 813 without a screen.
    int contentHeight() const;

    // Registers the view as the content of the "save-layout" window.
    static void registerWindow(const ViewEnvironment &environment);

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void scheduleFollow();
    // Replaces the editor when the pending capture's identity is no longer the editor's.
    void followCapture();
    void showEditor(std::optional<QUuid> captureID);
    // The editor goes away: it discards its capture unless it saved it. Once per editor.
    void retire(SaveLayoutEditor *editor);
    void watchWindow();
    void startSave(SaveLayoutEditor *editor, const QString &name, bool replaceExisting);
    void finishSave(SaveLayoutEditor *editor, const std::optional<QString> &message);
    void dismiss();

    static QCoro::Task<void> runSave(QPointer<SaveLayoutView> view,
                                     QPointer<SaveLayoutEditor> editor,
                                     CoordinatorHandle<CaptureCoordinator> capture, QString name,
                                     bool replaceExisting);

    ViewEnvironment environment_;
    QPointer<AppModel> model_;
    CoordinatorHandle<CaptureCoordinator> capture_;
    QPointer<SaveLayoutEditor> editor_;
    QPointer<QWidget> watchedWindow_;
    bool followScheduled_ = false;
    // The window was closed; it is about to go, and outcomes that arrive now are dropped.
    bool closed_ = false;
};

} // namespace ostrel
