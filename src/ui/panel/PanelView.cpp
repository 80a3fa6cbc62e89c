#include "ui/panel/PanelView.h"

#include "app/AppModel.h"
#include "app/SessionUpkeep.h"
#include "platform/KeyboardLayoutObserver.h"
#include "ui/panel/Announcer.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/AutomationNoticeSection.h"
#include "ui/panel/Divider.h"
#include "ui/panel/FirstRunSection.h"
#include "ui/panel/LayoutsListSection.h"
#include "ui/panel/LoadingSection.h"
#include "ui/panel/PanelFooter.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/PermissionBanner.h"
#include "ui/panel/ProgressSection.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/ResultSection.h"
#include "ui/panel/SelectedLayoutSection.h"
#include "ui/panel/StorageNoticeSection.h"
#include "ui/panel/StorageProblemSection.h"
#include "ui/panel/TraySection.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

namespace ostrel {

namespace {

// The hairline between the panel's parts stops 12 short of its left and right edges.
QWidget *insetDivider()
{
    auto *inset = new QWidget;
    auto *layout = new QHBoxLayout(inset);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->addWidget(new Divider);
    return inset;
}

} // namespace

PanelView::PanelView(const ViewEnvironment &environment, PanelActions &actions, QWidget *parent)
    : QWidget(parent)
    , environment_(environment)
    , model_(environment.model)
    , session_(environment.session)
    , loading_(new LoadingSection(environment_))
    , storageProblem_(new StorageProblemSection(environment_))
    , permission_(new PermissionBanner(environment_))
    , storageNotice_(new StorageNoticeSection(environment_))
    , firstRun_(new FirstRunSection(environment_, actions))
    , selectedLayout_(new SelectedLayoutSection(environment_))
    , progress_(new ProgressSection(environment_))
    , result_(new ResultSection(environment_))
    , automationNotice_(new AutomationNoticeSection(environment_))
    , layouts_(new LayoutsListSection(environment_, actions))
    , footer_(new PanelFooter(environment_))
{
    setObjectName(QStringLiteral("ostrel-panel"));
    setAccessibleName(QStringLiteral("Ostrel"));
    setFont(UiFont::system(13));
    setFixedWidth(width);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    addSection(PanelSection::loading, loading_, 0);
    addSection(PanelSection::storageProblem, storageProblem_, 0);
    addSection(PanelSection::permission, permission_, 0);
    addSection(PanelSection::storageNotice, storageNotice_, 0);
    addSection(PanelSection::firstRun, firstRun_, 0);
    // The selected layout is no card: it stands on the panel's background as it is.
    addSection(PanelSection::selectedLayout, selectedLayout_, -1);
    addSection(PanelSection::layoutDivider, insetDivider(), -1);
    addSection(PanelSection::progress, progress_, 0);
    addSection(PanelSection::result, result_, 4);
    addSection(PanelSection::automationNotice, automationNotice_, 0);
    addSection(PanelSection::layouts, layouts_, 4);
    addSection(PanelSection::footerDivider, insetDivider(), -1);
    addSection(PanelSection::footer, footer_, 4);

    if (model_) {
        for (auto signal : {&AppModel::savedDataChanged, &AppModel::sessionChanged,
                            &AppModel::restoreStatusChanged, &AppModel::storageStatusChanged,
                            &AppModel::shortcutStatusChanged, &AppModel::windowRequestsChanged,
                            &AppModel::settingsChanged}) {
            connect(model_, signal, this, [this] { nextRefresh_.schedule(); });
        }
    }
    // Shortcut texts are named in the current keyboard layout.
    if (environment_.keyboardLayout) {
        connect(environment_.keyboardLayout, &KeyboardLayoutObserver::revisionChanged, this,
                [this] { nextRefresh_.schedule(); });
    }
    refreshNow();
}

PanelView::~PanelView() = default;

void PanelView::addSection(PanelSection section, QWidget *widget, int verticalPadding)
{
    QWidget *shown = verticalPadding < 0 ? widget : new TraySection(verticalPadding, widget);
    sections_.insert(section, shown);
    layout()->addWidget(shown);
    shown->hide();
}

QList<PanelSection> PanelView::visibleSections() const
{
    QList<PanelSection> shown;
    for (int i = 0; i <= int(PanelSection::footer); ++i) {
        const auto section = PanelSection(i);
        if (QWidget *widget = sections_.value(section); widget && !widget->isHidden()) {
            shown.append(section);
        }
    }
    return shown;
}

void PanelView::refreshNow()
{
    if (!model_) {
        return;
    }
    ++refreshCount_;
    state_ = PanelState::read(*model_);
    followResult();
    followError();

    const QList<PanelSection> tree = panelSectionTree(state_);
    for (PanelSection section : tree) {
        switch (section) {
        case PanelSection::storageProblem:
            storageProblem_->setProblem(*state_.storage.storageProblem);
            break;
        case PanelSection::storageNotice:
            storageNotice_->setNotice(*state_.storage.storageNotice);
            break;
        case PanelSection::firstRun:
            firstRun_->setState(state_);
            break;
        case PanelSection::selectedLayout:
            selectedLayout_->setState(state_);
            break;
        case PanelSection::progress:
            progress_->setProgress(*state_.restore.progress, state_.restore.busy);
            break;
        case PanelSection::result:
            result_->setResult(*state_.restore.lastResult, state_.restore.undoInfo, state_.canUndo);
            break;
        case PanelSection::automationNotice:
            automationNotice_->setNotice(*state_.session.automationNotice);
            break;
        case PanelSection::layouts:
            layouts_->setState(state_);
            break;
        default:
            break;
        }
    }
    // Hidden first, so the panel never holds two states at once while it grows and shrinks.
    for (auto it = sections_.cbegin(); it != sections_.cend(); ++it) {
        if (!tree.contains(it.key())) {
            it.value()->hide();
        }
    }
    for (PanelSection section : tree) {
        sections_.value(section)->show();
    }
    if (isWindow()) {
        adjustSize();
    } else {
        updateGeometry();
    }
}

void PanelView::followResult()
{
    const std::optional<QUuid> id = state_.restore.lastResult
        ? std::optional<QUuid>(state_.restore.lastResult->id)
        : std::nullopt;
    if (!resultSeen_) {
        // The result present when the panel first shows is old news: nothing to announce.
        resultSeen_ = true;
        resultID_ = id;
        return;
    }
    if (id == resultID_) {
        return;
    }
    resultID_ = id;
    result_->setExpanded(false);
    if (state_.restore.lastResult && environment_.announcer) {
        environment_.announcer->announce(
            PanelTexts::resultAnnouncement(*state_.restore.lastResult));
    }
}

void PanelView::followError()
{
    const std::optional<UserFacingError> error = model_->windowRequests().activeError;
    const std::optional<QUuid> id = error ? std::optional<QUuid>(error->id) : std::nullopt;
    if (!errorSeen_) {
        errorSeen_ = true;
        errorID_ = id;
        return;
    }
    if (id == errorID_) {
        return;
    }
    errorID_ = id;
    if (error && environment_.announcer) {
        environment_.announcer->announce(PanelTexts::errorAnnouncement(*error));
    }
}

QSize PanelView::sizeHint() const
{
    // Without wrapping text inside, the layout has no height for a width of its own.
    const int height = heightForWidth(width);
    return {width, height >= 0 ? height : QWidget::sizeHint().height()};
}

void PanelView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    AppAppearance::attach(window(), environment_);
    // Each time the panel comes on screen: trust, undo information, session and remembered
    // windows may have changed while it was away. The model guards its own lifetime.
    if (session_) {
        session_->refresh();
    }
}

bool PanelView::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
