#include "ui/panel/LayoutDetailsView.h"

#include "ui/panel/NaturalHeight.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/CompactMessageSlot.h"
#include "ui/panel/LayoutWindowRow.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/ShortcutRecorder.h"
#include "ui/panel/SymbolButton.h"
#include "ui/panel/WindowKeys.h"

#include <QEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

namespace {

constexpr int windowWidth = 640;
constexpr int windowHeightCap = 875;

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

} // namespace

LayoutDetailsView::LayoutDetailsView(ViewEnvironment environment, QWidget *parent)
    : QWidget(parent)
    , environment_(std::move(environment))
    , model_(environment_.model)
{
    setObjectName(QStringLiteral("layout-details-window"));
    setAccessibleName(QStringLiteral("Layout Details"));
    const int height = WindowPresenter::windowHeight(
        windowHeightCap,
        environment_.presenter ? environment_.presenter->mainScreenHeight() : std::nullopt);
    heightCap_ = height;
    setFixedSize(windowWidth, height);

    form_.build(this, *environment_.shortcutRecordings, environment_.keyboardLayout);
    connectControls();

    if (model_) {
        AppModel *model = model_;
        connect(model, &AppModel::windowRequestsChanged, this, [this] {
            followManagedLayout();
            scheduleRefresh();
        });
        for (auto signal :
             {&AppModel::savedDataChanged, &AppModel::sessionChanged, &AppModel::settingsChanged}) {
            connect(model, signal, this, &LayoutDetailsView::scheduleRefresh);
        }
    }
    NaturalHeight::follow(this, [this] { fitToContent(); });
    subject_ = model_ ? model_->windowRequests().manageLayoutID : std::nullopt;
    didResetEditor();
    refresh();
}

LayoutDetailsView::~LayoutDetailsView() = default;

void LayoutDetailsView::registerContent(const ViewEnvironment &environment)
{
    if (!environment.presenter) {
        return;
    }
    environment.presenter->setContentFactory(WindowID::layoutDetails, [environment]() -> QWidget * {
        return new LayoutDetailsView(environment);
    });
}

std::optional<Layout> LayoutDetailsView::layout() const
{
    if (!model_) {
        return std::nullopt;
    }
    const std::optional<QUuid> managed = model_->windowRequests().manageLayoutID;
    if (!managed) {
        return std::nullopt;
    }
    return model_->layout(*managed);
}

QString LayoutDetailsView::name() const
{
    return form_.nameField->text();
}

bool LayoutDetailsView::canRename() const
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return false;
    }
    const QString trimmed = name().trimmed();
    return !trimmed.isEmpty() && trimmed != current->name;
}

QString LayoutDetailsView::introductionDetail(const Layout &layout)
{
    return counted(layout.entries.size(), QStringLiteral("window"), QStringLiteral("windows"))
        + QStringLiteral(" · ")
        + counted(layout.displays.size(), QStringLiteral("display"), QStringLiteral("displays"));
}

// --- Wiring ------------------------------------------------------------------------------------

void LayoutDetailsView::connectControls()
{
    connect(form_.nameField, &QLineEdit::returnPressed, this, &LayoutDetailsView::rename);
    // The field's own controls follow every keystroke at once.
    connect(form_.nameField, &QLineEdit::textChanged, this, [this] {
        refreshDuplicateWarning();
        refreshRenameButton();
    });
    connect(form_.renameButton, &QAbstractButton::clicked, this, &LayoutDetailsView::rename);
    // The recorder stays for the window's life and is updated in place, so its handler may
    // reach the model (and through it this view's refresh) without the recorder going away.
    form_.recorder->setOnChange(
        [this](std::optional<Shortcut> shortcut) { changeShortcut(shortcut); });
    connect(form_.linkButton, &QAbstractButton::clicked, this,
            &LayoutDetailsView::updateAutomation);
    connect(form_.openSettingsButton, &QAbstractButton::clicked, this, [this] {
        if (environment_.openSettings) {
            environment_.openSettings();
        }
    });
    connect(form_.replaceButton, &QAbstractButton::clicked, this,
            &LayoutDetailsView::confirmReplace);
    connect(form_.deleteButton, &QAbstractButton::clicked, this, &LayoutDetailsView::confirmDelete);
    connect(form_.closeButton, &QAbstractButton::clicked, this, [this] { window()->close(); });
    // Escape closes it as it closes every other window; while a shortcut is being recorded the
    // recorder takes Escape first and only ends the recording.
    WindowKeys::onEscape(this, [this] { window()->close(); });
}

// --- Following the model -------------------------------------------------------------------------

void LayoutDetailsView::followManagedLayout()
{
    const std::optional<QUuid> managed =
        model_ ? model_->windowRequests().manageLayoutID : std::nullopt;
    // A layout that goes away (deleted here or elsewhere) leaves the window about it.
    if (managed && managed != subject_) {
        subject_ = managed;
        didResetEditor();
    }
}

void LayoutDetailsView::didResetEditor()
{
    ++generation_;
    const std::optional<Layout> current = layout();
    lastStoredName_ = current ? std::optional<QString>(current->name) : std::nullopt;
    form_.nameField->setText(current ? current->name : QString());
    errorMessage_.reset();
    shortcutError_.reset();
    automationError_.reset();
    isWorking_ = false;
    closeOpenConfirmations();
    scheduleRefresh();
}

void LayoutDetailsView::closeOpenConfirmations()
{
    // A question asked about the previous layout must not be answered for the next one.
    confirmingDelete_ = false;
    confirmingReplace_ = false;
    const auto alerts = window()->findChildren<QMessageBox *>(Qt::FindDirectChildrenOnly);
    for (QMessageBox *alert : alerts) {
        if (alert->isVisible()) {
            alert->done(QMessageBox::Cancel);
        }
    }
}

void LayoutDetailsView::scheduleRefresh()
{
    if (refreshScheduled_) {
        return;
    }
    refreshScheduled_ = true;
    QMetaObject::invokeMethod(this, &LayoutDetailsView::refresh, Qt::QueuedConnection);
}

bool LayoutDetailsView::pending(const MutationScope &scope) const
{
    return model_ && model_->savedData().pendingMutations.contains(scope);
}

void LayoutDetailsView::refresh()
{
    refreshContent();
    fitToContent();
}

void LayoutDetailsView::fitToContent()
{
    // Twice: the first pass may change what the scroll area's content wraps to.
    for (int pass = 0; pass < 2; ++pass) {
        setFixedHeight(NaturalHeight::within(
            this, windowWidth, std::min(heightCap_, WindowPresenter::minimumWindowHeight),
            heightCap_));
    }
}

void LayoutDetailsView::refreshContent()
{
    refreshScheduled_ = false;
    const std::optional<Layout> current = layout();
    form_.content->setVisible(current.has_value());
    form_.unavailable->setVisible(!current.has_value());
    if (!current) {
        return;
    }
    const QUuid id = current->id;

    // The field follows a change of the stored name, not every reload of the layouts.
    if (current->name != lastStoredName_) {
        lastStoredName_ = current->name;
        if (form_.nameField->text() != current->name) {
            form_.nameField->setText(current->name);
        }
    }

    const QString detail = introductionDetail(*current);
    if (!introduction_ || current->name != introductionTitle_ || detail != introductionDetail_) {
        // The card is made anew for a new title or count: it is laid out once, by its texts.
        delete introduction_;
        introductionTitle_ = current->name;
        introductionDetail_ = detail;
        introduction_ = new RouteIntroduction(QStringLiteral("rectangle.3.group"), current->name,
                                              detail, form_.content);
        introduction_->setObjectName(QStringLiteral("layout-details-introduction"));
        form_.introductionSlot->addWidget(introduction_);
    }

    refreshRenameButton();
    refreshDuplicateWarning();

    refreshWindows(*current);

    form_.recorder->setShortcut(current->shortcut);
    form_.recorder->setEnabled(!isWorking_ && !pending(MutationScope::shortcut(id)));
    form_.shortcutMessage->setMessage(shortcutError_);

    form_.automationDescription->setText(model_->automationDescription(*current));
    form_.olderLayoutHint->setVisible(
        std::any_of(current->displays.begin(), current->displays.end(),
                    [](const DisplaySnapshot &d) { return d.frameInferred; }));
    form_.linkButton->setTitle(current->automationTopologySignature
                                   ? QStringLiteral("Unlink Displays")
                                   : QStringLiteral("Link Displays"));
    form_.linkButton->setEnabled(!isWorking_ && !pending(MutationScope::automation(id)));
    form_.automationOffRow->setVisible(!model_->settings().automationEnabled);
    form_.automationMessage->setMessage(automationError_);

    form_.replaceButton->setEnabled(model_->session().permissionTrusted && !isWorking_
                                    && !model_->hasPendingExclusionMutation()
                                    && !pending(MutationScope::replace(id)));
    form_.deleteButton->setEnabled(!isWorking_ && !pending(MutationScope::deleteLayout(id)));

    form_.errorSection->setVisible(errorMessage_.has_value());
    form_.errorMessage->setMessage(errorMessage_);
}

void LayoutDetailsView::refreshRenameButton()
{
    const std::optional<Layout> current = layout();
    form_.renameButton->setEnabled(current && canRename() && !isWorking_
                                   && !pending(MutationScope::rename(current->id)));
}

void LayoutDetailsView::refreshDuplicateWarning()
{
    const std::optional<Layout> current = layout();
    const std::optional<Layout> named =
        model_ && current ? model_->layoutNamed(name()) : std::nullopt;
    const bool duplicate = named && named->id != current->id;
    if (duplicate) {
        form_.duplicateText->setText(QStringLiteral("A layout named “") + named->name
                                     + QStringLiteral("” already exists."));
    }
    form_.duplicateRow->setVisible(duplicate);
}

void LayoutDetailsView::refreshWindows(const Layout &layout)
{
    form_.noWindows->setVisible(layout.entries.isEmpty());
    form_.windowRows->setVisible(!layout.entries.isEmpty());
    if (layout.entries != shownEntries_ || layout.displays != shownDisplays_) {
        shownEntries_ = layout.entries;
        shownDisplays_ = layout.displays;
        removeButtons_.clear();
        while (QLayoutItem *item = form_.windowRowsLayout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        for (const WindowEntry &entry : layout.entries) {
            auto *row = new LayoutWindowRow(entry, layout.displays, environment_.appIcons,
                                            form_.windowRows);
            const QUuid entryID = entry.id;
            connect(row->removeButton(), &QAbstractButton::clicked, this,
                    [this, entryID] { removeEntry(entryID); });
            removeButtons_.insert(entry.id, row->removeButton());
            form_.windowRowsLayout->addWidget(row);
        }
    }
    for (auto it = removeButtons_.cbegin(); it != removeButtons_.cend(); ++it) {
        it.value()->setEnabled(!pending(MutationScope::removeEntry(layout.id, it.key())));
    }
}

// --- Operations ----------------------------------------------------------------------------------

void LayoutDetailsView::rename()
{
    const std::optional<Layout> current = layout();
    if (!current || !canRename() || isWorking_) {
        return;
    }
    isWorking_ = true;
    errorMessage_.reset();
    scheduleRefresh();
    runRename(this, generation_, current->id, name());
}

QCoro::Task<void> LayoutDetailsView::runRename(QPointer<LayoutDetailsView> view, quint64 generation,
                                               QUuid id, QString name)
{
    QCoro::Task<std::optional<Refusal>> renaming = view->model_->renameLayout(id, name);
    const std::optional<Refusal> refusal = co_await renaming;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->errorMessage_ = textOf(refusal);
    view->isWorking_ = false;
    view->scheduleRefresh();
}

void LayoutDetailsView::removeEntry(const QUuid &entryID)
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return;
    }
    errorMessage_.reset();
    scheduleRefresh();
    runRemoveEntry(this, generation_, current->id, entryID);
}

QCoro::Task<void> LayoutDetailsView::runRemoveEntry(QPointer<LayoutDetailsView> view,
                                                    quint64 generation, QUuid layoutID,
                                                    QUuid entryID)
{
    QCoro::Task<std::optional<Refusal>> removing = view->model_->removeEntry(layoutID, entryID);
    const std::optional<Refusal> refusal = co_await removing;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->errorMessage_ = textOf(refusal);
    view->scheduleRefresh();
}

void LayoutDetailsView::changeShortcut(std::optional<Shortcut> shortcut)
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return;
    }
    runShortcutChange(this, generation_, current->id, shortcut);
}

QCoro::Task<void> LayoutDetailsView::runShortcutChange(QPointer<LayoutDetailsView> view,
                                                       quint64 generation, QUuid layoutID,
                                                       std::optional<Shortcut> shortcut)
{
    QCoro::Task<std::optional<Refusal>> changing =
        view->model_->setLayoutShortcut(shortcut, layoutID);
    const std::optional<Refusal> refusal = co_await changing;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->shortcutError_ = textOf(refusal);
    view->scheduleRefresh();
}

void LayoutDetailsView::updateAutomation()
{
    const std::optional<Layout> current = layout();
    if (!current) {
        return;
    }
    automationError_.reset();
    scheduleRefresh();
    // Decided by the layout as it is at the click.
    runAutomation(this, generation_, current->id, !current->automationTopologySignature);
}

QCoro::Task<void> LayoutDetailsView::runAutomation(QPointer<LayoutDetailsView> view,
                                                   quint64 generation, QUuid layoutID, bool link)
{
    QCoro::Task<std::optional<Refusal>> updating = link
        ? view->model_->associateAutomation(layoutID)
        : view->model_->clearAutomation(layoutID);
    const std::optional<Refusal> refusal = co_await updating;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->automationError_ = textOf(refusal);
    view->scheduleRefresh();
}

void LayoutDetailsView::confirmReplace()
{
    if (!layout() || confirmingReplace_ || !environment_.presenter) {
        return;
    }
    confirmingReplace_ = true;
    runConfirmation(this, generation_, Managing::replace);
}

void LayoutDetailsView::confirmDelete()
{
    if (!layout() || confirmingDelete_ || !environment_.presenter) {
        return;
    }
    confirmingDelete_ = true;
    runConfirmation(this, generation_, Managing::deleteLayout);
}

QCoro::Task<void> LayoutDetailsView::runConfirmation(QPointer<LayoutDetailsView> view,
                                                     quint64 generation, Managing kind)
{
    const bool deleting = kind == Managing::deleteLayout;
    QCoro::Task<bool> asking = view->environment_.presenter->confirmDestructiveAction(
        deleting ? QStringLiteral("Delete Layout?") : QStringLiteral("Replace Layout?"),
        deleting ? QStringLiteral("Deletes the saved layout. Your windows stay open.")
                 : QStringLiteral("Replace the saved windows with the ones open now? This can’t "
                                  "be undone."),
        deleting ? QStringLiteral("Delete") : QStringLiteral("Replace"), view.data());
    const bool confirmed = co_await asking;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    (deleting ? view->confirmingDelete_ : view->confirmingReplace_) = false;
    if (confirmed) {
        view->runManaged(kind);
    }
}

void LayoutDetailsView::runManaged(Managing kind)
{
    const std::optional<Layout> current = layout();
    if (!current || isWorking_) {
        return;
    }
    isWorking_ = true;
    errorMessage_.reset();
    scheduleRefresh();
    runManagedOperation(this, generation_, current->id, kind);
}

QCoro::Task<void> LayoutDetailsView::runManagedOperation(QPointer<LayoutDetailsView> view,
                                                         quint64 generation, QUuid layoutID,
                                                         Managing kind)
{
    QCoro::Task<std::optional<Refusal>> running = kind == Managing::deleteLayout
        ? view->model_->deleteLayout(layoutID)
        : view->model_->replaceLayoutWithCurrentWindows(layoutID);
    const std::optional<Refusal> refusal = co_await running;
    if (!view || !view->isCurrent(generation)) {
        co_return;
    }
    view->errorMessage_ = textOf(refusal);
    view->isWorking_ = false;
    if (kind == Managing::deleteLayout && !refusal) {
        view->window()->close();
        co_return;
    }
    view->scheduleRefresh();
}

// --- Events --------------------------------------------------------------------------------------

void LayoutDetailsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window the view sits in follows the appearance setting, switching live.
    if (!AppAppearance::of(window())) {
        AppAppearance::attach(window(), environment_);
    }
    if (!event->spontaneous()) {
        // Appearing again starts afresh on the layout managed now.
        subject_ = model_ ? model_->windowRequests().manageLayoutID : std::nullopt;
        didResetEditor();
        refresh();
        // As in the save window, the name takes the keys first.
        form_.nameField->setFocus(Qt::OtherFocusReason);
    }
}

void LayoutDetailsView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // The link description depends on the displays connected now, which the model does not
        // publish: looked at again whenever the window comes forward.
        scheduleRefresh();
    }
}

bool LayoutDetailsView::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
