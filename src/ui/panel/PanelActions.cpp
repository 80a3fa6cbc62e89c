#include "ui/panel/PanelActions.h"

#include "app/AppModel.h"
#include "app/CaptureCoordinator.h"
#include "app/EditCoordinator.h"
#include "app/WindowPresenter.h"
#include "ui/panel/PanelTexts.h"

#include <QMessageBox>

#include <utility>

namespace ostrel {

PanelActions::PanelActions(AppModel &model, WindowPresenter &presenter, QObject *parent)
    : QObject(parent)
    , model_(&model)
    , capture_(&model, &model.coordinators().capture)
    , edits_(&model, &model.coordinators().edits)
    , presenter_(&presenter)
{
    connect(&model, &AppModel::windowRequestsChanged, this, &PanelActions::followActiveError);
    followActiveError();
}

PanelActions::~PanelActions()
{
    // The alert belongs to the presenter; it ends by itself or with the presenter.
}

void PanelActions::saveCurrentLayout()
{
    runSave(capture_, presenter_);
}

QCoro::Task<void> PanelActions::runSave(CoordinatorHandle<CaptureCoordinator> capture,
                                        QPointer<WindowPresenter> presenter)
{
    if (!capture) {
        co_return;
    }
    QCoro::Task<bool> capturing = capture->beginSave();
    const bool ready = co_await capturing;
    if (!ready || !capture || !presenter) {
        co_return;
    }
    presenter->showSaveLayout();
    presenter->focus(QString(WindowID::saveLayout));
}

void PanelActions::confirmDelete(const Layout &layout)
{
    runDelete(edits_, presenter_, layout.id, layout.name);
}

QCoro::Task<void> PanelActions::runDelete(CoordinatorHandle<EditCoordinator> edits,
                                          QPointer<WindowPresenter> presenter, QUuid layoutID,
                                          QString name)
{
    if (!edits || !presenter) {
        co_return;
    }
    QCoro::Task<bool> confirming = presenter->confirmDestructiveAction(
        QStringLiteral("Delete Layout?"), PanelTexts::deleteConfirmationMessage(name),
        QStringLiteral("Delete"));
    const bool confirmed = co_await confirming;
    if (!confirmed || !edits) {
        co_return;
    }
    QCoro::Task<std::optional<Refusal>> deleting = edits->deleteLayout(layoutID);
    const std::optional<Refusal> refusal = co_await deleting;
    if (!refusal || !presenter) {
        co_return;
    }
    QCoro::Task<void> alert =
        presenter->presentAlert(PanelTexts::deleteFailureTitle(name), refusal->text);
    co_await alert;
}

void PanelActions::followActiveError()
{
    if (!model_) {
        return;
    }
    const std::optional<UserFacingError> &error = model_->windowRequests().activeError;
    if (!error) {
        // The alert stands for the published error; with none published it has nothing to say.
        shownError_.reset();
        if (errorAlert_) {
            errorAlert_->done(QMessageBox::Cancel);
        }
        return;
    }
    // The group changes for its other values too: an error already on screen stays as it is.
    if (shownError_ == error->id) {
        return;
    }
    if (errorAlert_) {
        // A newer error replaces the one on screen, so dismissing clears what the user saw.
        // While the alert is being dismissed it is left alone: its end shows the newer error.
        if (errorAlert_->isVisible() && !errorAlert_->clickedButton()) {
            shownError_ = error->id;
            errorAlert_->setText(error->title);
            errorAlert_->setInformativeText(error->message);
        }
        return;
    }
    runErrorAlert(QPointer<PanelActions>(this), *error);
}

QCoro::Task<void> PanelActions::runErrorAlert(QPointer<PanelActions> self, UserFacingError error)
{
    if (!self->presenter_) {
        co_return;
    }
    // The presenter's alert is up once the call returns; it only waits for the user then.
    QCoro::Task<void> alert = self->presenter_->presentAlert(error.title, error.message);
    self->errorAlert_ = self->presenter_->activeAlert();
    self->shownError_ = error.id;
    co_await alert;
    if (!self) {
        co_return;
    }
    const std::optional<QUuid> shown = std::exchange(self->shownError_, std::nullopt);
    self->errorAlert_ = nullptr;
    if (!self->model_) {
        co_return;
    }
    // Only the error the alert showed is cleared: one published since then is news the user has
    // not seen, and gets an alert of its own.
    if (shown) {
        self->model_->dismissActiveError(*shown);
    }
    if (self && self->model_ && self->model_->windowRequests().activeError) {
        self->followActiveError();
    }
}

} // namespace ostrel
