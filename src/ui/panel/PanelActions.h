#pragma once

#include "model/Layout.h"
#include "model/UserFacingError.h"
#include "ui/panel/CoordinatorHandle.h"

#include <QCoro/QCoroTask>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

class AppModel;
class CaptureCoordinator;
class EditCoordinator;
class WindowPresenter;

// What the panel starts that must outlive the panel's widgets: a capture that ends in the save
// window, a deletion behind its confirmation, and the alert that shows the model's errors. A
// capture can take seconds and a confirmation waits for the user, and the panel may be hidden
// or destroyed meanwhile; so this object, made once by the program, carries them, and what
// resumes reaches the model and the presenter only through guarded pointers, never the panel.
class PanelActions : public QObject {
    Q_OBJECT

public:
    // Both must outlive every wait started here or be QObjects that go away cleanly; they are
    // held by guarded pointers.
    PanelActions(AppModel &model, WindowPresenter &presenter, QObject *parent = nullptr);
    ~PanelActions() override;

    // Captures the open windows; once the capture is ready the save window opens, whether or
    // not the panel is still there. A refused or failed capture opens nothing: the model has
    // published its alert.
    void saveCurrentLayout();

    // Asks for confirmation, then deletes; a failure is shown in an alert naming the layout as
    // the row showed it when Delete was chosen.
    void confirmDelete(const Layout &layout);

    // The error the alert shows now, if any.
    std::optional<QUuid> shownErrorID() const { return shownError_; }

private:
    static QCoro::Task<void> runSave(CoordinatorHandle<CaptureCoordinator> capture,
                                     QPointer<WindowPresenter> presenter);
    static QCoro::Task<void> runDelete(CoordinatorHandle<EditCoordinator> edits,
                                       QPointer<WindowPresenter> presenter, QUuid layoutID,
                                       QString name);
    static QCoro::Task<void> runErrorAlert(QPointer<PanelActions> self, UserFacingError error);

    void followActiveError();

    QPointer<AppModel> model_;
    CoordinatorHandle<CaptureCoordinator> capture_;
    CoordinatorHandle<EditCoordinator> edits_;
    QPointer<WindowPresenter> presenter_;
    QPointer<QMessageBox> errorAlert_;
    std::optional<QUuid> shownError_;
};

} // namespace ostrel
