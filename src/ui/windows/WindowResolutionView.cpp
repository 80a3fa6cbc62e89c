#include "ui/windows/WindowResolutionView.h"

#include "app/WindowPresenter.h"
#include "ui/panel/NaturalHeight.h"

#include "app/AppModel.h"
#include "platform/MarkerOverlayService.h"
#include "ui/panel/Accessibility.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/CompactMessage.h"
#include "ui/panel/Divider.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/WindowKeys.h"
#include "ui/windows/EmptyDecisionState.h"
#include "ui/windows/FormSection.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int windowWidth = 640;
constexpr int windowHeightCap = 875;

} // namespace

WindowResolutionView::WindowResolutionView(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , model_(environment.model)
    , markers_(environment.markers)
{
    setObjectName(QStringLiteral("resolution-window"));
    heightCap_ = WindowPresenter::windowHeight(
        windowHeightCap,
        environment.presenter ? environment.presenter->mainScreenHeight() : std::nullopt);
    setFixedSize(windowWidth, heightCap_);
    setFont(UiFont::body());
    setAutoFillBackground(true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    introductionSlot_ = new QWidget;
    auto *slot = new QVBoxLayout(introductionSlot_);
    slot->setContentsMargins(0, 0, 0, 0);
    column->addWidget(introductionSlot_);

    body_ = new QStackedWidget;
    form_ = new FormColumn;
    empty_ = new EmptyDecisionState(QStringLiteral("checkmark.circle"),
                                    QStringLiteral("No windows need a decision."));
    empty_->closeButton()->setObjectName(QStringLiteral("resolution-empty-close"));
    body_->addWidget(form_);
    body_->addWidget(empty_);
    column->addWidget(body_, 1);

    column->addWidget(new Divider(0.55));

    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(20, 14, 20, 14);
    footer->setSpacing(10);
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("resolution-cancel"));
    footer->addWidget(cancel_);
    footer->addStretch(1);
    auto *status = new PlainLabel;
    status->setObjectName(QStringLiteral("resolution-status"));
    status->setFont(UiFont::subheadline());
    status->setTone(ThemeColor::secondary());
    status_ = status;
    footer->addWidget(status_);
    apply_ = new PanelButton(QStringLiteral("Restore Selected"), PanelButton::Look::prominent,
                             PanelButton::ControlSize::regular);
    apply_->setObjectName(QStringLiteral("resolution-apply"));
    footer->addWidget(apply_);
    close_ = new QPushButton(QStringLiteral("Close"));
    close_->setObjectName(QStringLiteral("resolution-close"));
    footer->addWidget(close_);
    column->addLayout(footer);

    connect(cancel_, &QPushButton::clicked, this, &WindowResolutionView::cancel);
    connect(close_, &QPushButton::clicked, this, &WindowResolutionView::cancel);
    connect(empty_->closeButton(), &QPushButton::clicked, this, &WindowResolutionView::cancel);
    connect(apply_, &PanelButton::clicked, this, &WindowResolutionView::apply);

    // The window's own keys press the buttons, which do nothing while disabled or hidden.
    WindowKeys::onEscape(this, [this] { cancel_->click(); });
    WindowKeys::onReturn(this, [this] {
        if (apply_->isVisible()) {
            apply_->click();
        }
    });

    if (model_) {
        connect(model_, &AppModel::restoreStatusChanged, this,
                &WindowResolutionView::scheduleRefresh);
    }
    NaturalHeight::follow(this, [this] { fitToContent(); });
    AppAppearance::attach(this, environment);
    refresh();
}

WindowResolutionView::~WindowResolutionView()
{
    forgetMarkers();
}

void WindowResolutionView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        resetChoices();
        refresh();
    }
}

void WindowResolutionView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        forgetMarkers();
    }
}

void WindowResolutionView::forgetMarkers()
{
    // A marker refresh still waiting for the model finds another token and shows nothing.
    markerRefreshID_ = QUuid::createUuid();
    if (markers_) {
        markers_->clear();
    }
}

void WindowResolutionView::resetChoices()
{
    markerRefreshID_ = QUuid::createUuid();
    choices_.reset();
    if (markers_) {
        markers_->clear();
    }
}

void WindowResolutionView::scheduleRefresh()
{
    if (refreshQueued_) {
        return;
    }
    refreshQueued_ = true;
    QMetaObject::invokeMethod(this, &WindowResolutionView::refresh, Qt::QueuedConnection);
}

void WindowResolutionView::refresh()
{
    refreshQueued_ = false;
    const std::optional<ResolutionRequest> request =
        model_ ? model_->restoreStatus().resolutionRequest : std::nullopt;
    const std::optional<QUuid> id = request ? std::optional<QUuid>(request->id) : std::nullopt;
    if (id != shownRequestID_ || !introduction_) {
        shownRequestID_ = id;
        resetChoices();
        showRequest(request);
    }
    updateSections();
    showError();
    updateFooter(request);
    fitToContent();
}

void WindowResolutionView::fitToContent()
{
    // Twice: the first pass may change what the scroll area's content wraps to.
    for (int pass = 0; pass < 2; ++pass) {
        setFixedHeight(NaturalHeight::within(
            this, windowWidth, std::min(heightCap_, WindowPresenter::minimumWindowHeight),
            heightCap_));
    }
}

void WindowResolutionView::setIntroductionDetail(const QString &detail)
{
    if (introduction_ && introduction_->detailLabel()
        && introduction_->detailLabel()->text() == detail) {
        return;
    }
    // The card reads its title and detail to assistive technology as one text, which it makes
    // once; a new detail is a new card.
    delete introduction_;
    introduction_ = new RouteIntroduction(QStringLiteral("questionmark.bubble"),
                                          QStringLiteral("Choose Matching Windows"), detail);
    introductionSlot_->layout()->addWidget(introduction_);
}

void WindowResolutionView::showRequest(const std::optional<ResolutionRequest> &request)
{
    setIntroductionDetail(ResolutionChoices::headerDetail(request));
    form_->clear();
    errorSection_ = nullptr;
    shownError_.reset();
    sections_.clear();
    if (!request) {
        body_->setCurrentWidget(empty_);
        return;
    }
    for (const AmbiguousEntry &entry : request->ambiguous) {
        form_->addSection(entrySection(entry, *request));
    }
    body_->setCurrentWidget(form_);
}

QWidget *WindowResolutionView::entrySection(const AmbiguousEntry &entry,
                                            const ResolutionRequest &request)
{
    auto *section = new FormSection(new FormSectionHeader(
        entry.label, ResolutionChoices::candidatesDetail(entry.candidates.size())));
    section->setObjectName(QStringLiteral("resolution-entry"));

    Section state;
    state.entryID = entry.entryID;

    auto *picker = new QWidget;
    picker->setObjectName(QStringLiteral("resolution-picker"));
    picker->setAccessibleName(QStringLiteral("Matching window for ") + entry.label);
    Accessibility::setRole(picker, QAccessible::Grouping);
    auto *radioColumn = new QVBoxLayout(picker);
    radioColumn->setContentsMargins(0, 0, 0, 0);
    radioColumn->setSpacing(6);
    auto *radios = new QButtonGroup(picker);
    for (const NumberedCandidate &candidate : entry.numberedCandidates()) {
        auto *radio = new QRadioButton(
            PlainText::forButton(ResolutionChoices::candidateText(candidate, request.available)));
        radios->addButton(radio, int(state.candidateIDs.size()));
        state.candidateIDs.append(candidate.reference.id);
        radioColumn->addWidget(radio);
    }
    state.picker = picker;
    state.radios = radios;
    section->addRow(picker);

    auto *skip = new QCheckBox(QStringLiteral("Skip this saved window"));
    skip->setObjectName(QStringLiteral("resolution-skip"));
    skip->setFont(UiFont::body());
    state.skip = skip;
    section->addRow(skip);

    auto *markersRow = new QWidget;
    auto *markersLine = new QHBoxLayout(markersRow);
    markersLine->setContentsMargins(0, 0, 0, 0);
    markersLine->setSpacing(8);
    auto *markersText = new QVBoxLayout;
    markersText->setSpacing(1);
    auto *markersTitle = new PlainLabel(QStringLiteral("Show markers"));
    markersTitle->setFont(UiFont::body());
    markersText->addWidget(markersTitle);
    auto *markersDetail = new PlainLabel(QStringLiteral("Numbers each candidate on screen."));
    markersDetail->setFont(UiFont::subheadline());
    markersDetail->setTone(ThemeColor::secondary());
    markersText->addWidget(markersDetail);
    markersLine->addLayout(markersText);
    markersLine->addSpacing(8);
    markersLine->addStretch(1);
    auto *show = new PanelButton(QStringLiteral("Show Markers"), PanelButton::Look::bordered,
                                 PanelButton::ControlSize::small);
    show->setObjectName(QStringLiteral("resolution-show-markers"));
    show->setToolTip(QStringLiteral("Outline the candidate windows with temporary numbers"));
    markersLine->addWidget(show, 0, Qt::AlignVCenter);
    section->addRow(markersRow);

    auto *note = new PlainLabel;
    note->setObjectName(QStringLiteral("resolution-note"));
    note->setFont(UiFont::subheadline());
    note->setWordWrap(true);
    state.note = note;
    state.noteRow = section->addRow(note);

    sections_.append(state);
    const Section &added = sections_.last();
    connect(radios, &QButtonGroup::idToggled, this,
            [this, added](int id, bool checked) { choose(added, id, checked); });
    connect(skip, &QCheckBox::toggled, this, [this, added](bool on) { setSkipped(added, on); });
    connect(show, &PanelButton::clicked, this, [this, entry] { showMarkers(entry); });
    return section;
}

void WindowResolutionView::updateSections()
{
    const std::optional<ResolutionRequest> request =
        model_ ? model_->restoreStatus().resolutionRequest : std::nullopt;
    const QSet<QUuid> conflicting =
        request ? choices_.conflictingEntryIDs(*request) : QSet<QUuid>();
    for (const Section &section : std::as_const(sections_)) {
        const bool skipped = choices_.isSkipped(section.entryID);
        const std::optional<QUuid> chosen = choices_.selection(section.entryID);
        const qsizetype index = chosen ? section.candidateIDs.indexOf(*chosen) : -1;
        const QSignalBlocker quietRadios(section.radios);
        if (index >= 0) {
            section.radios->button(int(index))->setChecked(true);
        } else if (QAbstractButton *checked = section.radios->checkedButton()) {
            // An exclusive group never lets its last checked button go.
            section.radios->setExclusive(false);
            checked->setChecked(false);
            section.radios->setExclusive(true);
        }
        section.picker->setEnabled(!skipped);
        const QSignalBlocker quietSkip(section.skip);
        section.skip->setChecked(skipped);

        if (conflicting.contains(section.entryID)) {
            section.note->setText(
                QStringLiteral("This window is already chosen for another saved window."));
            section.note->setTone(ThemeColor::dangerText());
        } else if (skipped) {
            section.note->setText(QStringLiteral("Skipped for this restore."));
            section.note->setTone(ThemeColor::secondary());
        } else {
            section.note->clear();
        }
        section.noteRow->setVisible(!section.note->text().isEmpty());
    }
}

void WindowResolutionView::showError()
{
    if (choices_.errorMessage == shownError_) {
        return;
    }
    shownError_ = choices_.errorMessage;
    delete errorSection_;
    errorSection_ = nullptr;
    if (!shownError_ || body_->currentWidget() != form_) {
        return;
    }
    auto *section = new FormSection;
    section->setObjectName(QStringLiteral("resolution-error"));
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    line->addWidget(new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 13, QFont::Normal,
                                   ThemeColor::danger()),
                    0, Qt::AlignTop);
    auto *message = new CompactMessage(*shownError_, QStringLiteral("Review the window choices."));
    message->setObjectName(QStringLiteral("resolution-error-message"));
    message->setFont(UiFont::callout());
    line->addWidget(message, 1, Qt::AlignTop);
    section->addRow(row);
    form_->addSection(section);
    errorSection_ = section;
}

void WindowResolutionView::updateFooter(const std::optional<ResolutionRequest> &request)
{
    status_->setVisible(request.has_value());
    apply_->setVisible(request.has_value());
    close_->setVisible(!request);
    if (request) {
        status_->setText(choices_.statusText(*request));
        apply_->setEnabled(model_ && choices_.canApply(*request, model_->restoreStatus().busy));
    }
}

void WindowResolutionView::choose(const Section &section, int button, bool checked)
{
    if (!checked || button < 0 || button >= section.candidateIDs.size()) {
        return;
    }
    choices_.select(section.entryID, section.candidateIDs[button]);
    refresh();
}

void WindowResolutionView::setSkipped(const Section &section, bool skip)
{
    choices_.setSkipped(section.entryID, skip);
    refresh();
}

void WindowResolutionView::apply()
{
    if (!model_) {
        return;
    }
    const std::optional<ResolutionRequest> request = model_->restoreStatus().resolutionRequest;
    if (!request) {
        return;
    }
    const std::variant<ResolutionAnswer, QString> answer = choices_.answer(*request);
    if (const QString *refusal = std::get_if<QString>(&answer)) {
        choices_.errorMessage = *refusal;
        refresh();
        return;
    }
    const ResolutionAnswer &given = std::get<ResolutionAnswer>(answer);
    QPointer<WindowResolutionView> self(this);
    const std::optional<QString> refusal =
        textOf(model_->applyResolutions(given.choices, given.skipped));
    // On success the model has closed the window; this content goes with it.
    if (!self || !refusal) {
        return;
    }
    choices_.errorMessage = refusal;
    refresh();
}

void WindowResolutionView::cancel()
{
    if (model_) {
        model_->cancelResolution();
    }
}

void WindowResolutionView::showMarkers(const AmbiguousEntry &entry)
{
    if (!model_ || !model_->restoreStatus().resolutionRequest) {
        return;
    }
    const QUuid requestID = model_->restoreStatus().resolutionRequest->id;
    markerRefreshID_ = QUuid::createUuid();
    refreshMarkers(QPointer<WindowResolutionView>(this), model_, entry, requestID,
                   markerRefreshID_);
}

QCoro::Task<void> WindowResolutionView::refreshMarkers(QPointer<WindowResolutionView> view,
                                                       QPointer<AppModel> model,
                                                       AmbiguousEntry entry, QUuid requestID,
                                                       QUuid token)
{
    if (!model) {
        co_return;
    }
    QCoro::Task<QList<WindowReference>> refreshing = model->refreshCandidates(entry.candidates);
    const QList<WindowReference> refreshed = co_await refreshing;
    // The window may have closed while the model looked: the view first, then what it holds.
    if (!view || view->markerRefreshID_ != token) {
        co_return;
    }
    if (!view->model_ || !view->model_->restoreStatus().resolutionRequest
        || view->model_->restoreStatus().resolutionRequest->id != requestID) {
        co_return;
    }
    QHash<QUuid, WindowReference> byID;
    for (const WindowReference &reference : refreshed) {
        byID.insert(reference.id, reference);
    }
    // Closed candidates drop out; the others keep the numbers the dialog shows.
    QList<NumberedCandidate> numbered;
    for (const NumberedCandidate &candidate : entry.numberedCandidates()) {
        if (const auto it = byID.constFind(candidate.reference.id); it != byID.cend()) {
            numbered.append({candidate.number, *it});
        }
    }
    if (view->markers_) {
        view->markers_->show(numbered);
    }
}

bool WindowResolutionView::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
