#include "ui/panel/SaveLayoutView.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/SaveLayoutEditor.h"
#include "ui/panel/WindowKeys.h"

#include <QEvent>
#include <QKeySequence>
#include <QTimer>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int contentWidth = 640;
constexpr int heightCap = 813;

} // namespace

SaveLayoutView::SaveLayoutView(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , environment_(environment)
    , model_(environment.model)
{
    setObjectName(QStringLiteral("save-layout-content"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // As large as its editor, which is as tall as what it shows up to the window's bound.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFixedWidth(contentWidth);

    if (environment_.presenter) {
        // Lets the presenter find, focus and close this window however it was opened.
        new WindowAccessor(QString(WindowID::saveLayout), *environment_.presenter, this);
    }

    // Window shortcuts: they press the editor's buttons, which do nothing while disabled. Return
    // is taken here before the name field sees it, so a Return there saves once.
    WindowKeys::onEscape(this, [this] {
        if (editor_) {
            editor_->pressCancel();
        }
    });
    WindowKeys::onReturn(this, [this] {
        if (editor_) {
            editor_->pressSave();
        }
    });

    if (model_) {
        connect(model_, &AppModel::windowRequestsChanged, this, &SaveLayoutView::scheduleFollow);
    }
    showEditor(model_ && model_->windowRequests().pendingCapture
                   ? std::optional(model_->windowRequests().pendingCapture->id)
                   : std::nullopt);
}

SaveLayoutView::~SaveLayoutView()
{
    if (editor_) {
        retire(editor_);
    }
}

SaveLayoutEditor *SaveLayoutView::editor() const
{
    return editor_;
}

void SaveLayoutView::registerWindow(const ViewEnvironment &environment)
{
    if (!environment.presenter) {
        return;
    }
    environment.presenter->setContentFactory(
        QString(WindowID::saveLayout), [environment] { return new SaveLayoutView(environment); });
}

int SaveLayoutView::contentHeight() const
{
    return WindowPresenter::windowHeight(
        heightCap,
        environment_.presenter ? environment_.presenter->mainScreenHeight() : std::nullopt);
}

bool SaveLayoutView::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
        watchWindow();
    }
    return QWidget::event(event);
}

void SaveLayoutView::watchWindow()
{
    QWidget *top = window();
    if (top == watchedWindow_) {
        return;
    }
    if (watchedWindow_) {
        watchedWindow_->removeEventFilter(this);
    }
    watchedWindow_ = top;
    top->installEventFilter(this);
    if (top != this && !AppAppearance::of(top)) {
        AppAppearance::attach(top, environment_);
    }
}

bool SaveLayoutView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == watchedWindow_) {
        if (event->type() == QEvent::Close) {
            // Whether the window accepted the close is known only once it has handled it: a
            // closed window is no longer visible, a minimized one still is.
            QTimer::singleShot(0, this, [this] {
                if (watchedWindow_ && !watchedWindow_->isVisible()) {
                    closed_ = true;
                    if (editor_) {
                        retire(editor_);
                    }
                }
            });
        } else if (event->type() == QEvent::Show) {
            closed_ = false;
            if (editor_) {
                editor_->focusName();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SaveLayoutView::scheduleFollow()
{
    if (followScheduled_) {
        return;
    }
    followScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        followScheduled_ = false;
        followCapture();
    });
}

void SaveLayoutView::followCapture()
{
    const std::optional<QUuid> current = model_ && model_->windowRequests().pendingCapture
        ? std::optional(model_->windowRequests().pendingCapture->id)
        : std::nullopt;
    if (editor_ && editor_->captureID() == current) {
        return;
    }
    showEditor(current);
}

void SaveLayoutView::showEditor(std::optional<QUuid> captureID)
{
    if (!model_) {
        return;
    }
    if (SaveLayoutEditor *old = editor_) {
        retire(old);
        layout()->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    auto *editor = new SaveLayoutEditor(captureID, *model_, environment_.appIcons, contentHeight());
    connect(editor, &SaveLayoutEditor::saveRequested, this,
            [this, editor](const QString &name, bool replaceExisting) {
                startSave(editor, name, replaceExisting);
            });
    connect(editor, &SaveLayoutEditor::cancelRequested, this, &SaveLayoutView::dismiss);
    layout()->addWidget(editor);
    editor_ = editor;
    if (isVisible()) {
        editor->focusName();
    }
}

void SaveLayoutView::retire(SaveLayoutEditor *editor)
{
    if (editor->isRetired()) {
        return;
    }
    editor->setRetired();
    if (editor->didSave() || !editor->captureID() || !model_) {
        return;
    }
    // Its own turn of the event loop: the model is not changed from inside the close or the
    // replacement that retired the editor. It clears the capture only while it is still this one.
    QPointer<AppModel> model = model_;
    const QUuid id = *editor->captureID();
    QMetaObject::invokeMethod(
        model,
        [model, id] {
            if (model) {
                model->discardPendingCapture(id);
            }
        },
        Qt::QueuedConnection);
}

void SaveLayoutView::startSave(SaveLayoutEditor *editor, const QString &name, bool replaceExisting)
{
    if (!model_) {
        return;
    }
    runSave(QPointer<SaveLayoutView>(this), QPointer<SaveLayoutEditor>(editor), model_, name,
            replaceExisting);
}

QCoro::Task<void> SaveLayoutView::runSave(QPointer<SaveLayoutView> view,
                                          QPointer<SaveLayoutEditor> editor,
                                          QPointer<AppModel> model, QString name,
                                          bool replaceExisting)
{
    QCoro::Task<std::optional<Refusal>> saving = model->savePendingLayout(name, replaceExisting);
    const std::optional<Refusal> refusal = co_await saving;
    if (!view || !model) {
        // The window closed meanwhile: the model kept what it stored, nobody waits for the rest.
        co_return;
    }
    view->finishSave(editor, textOf(refusal));
}

void SaveLayoutView::finishSave(SaveLayoutEditor *editor, const std::optional<QString> &message)
{
    if (closed_) {
        return;
    }
    // An editor that was replaced meanwhile is not told anything: it is no longer shown, and the
    // one shown now belongs to another capture.
    const bool stillShown = editor && editor == editor_;
    if (message) {
        if (stillShown) {
            editor->saveFailed(*message);
        }
        return;
    }
    if (stillShown) {
        editor->markSaved();
    }
    dismiss();
}

void SaveLayoutView::dismiss()
{
    window()->close();
}

bool SaveLayoutView::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
