#include "ui/windows/MissingDisplayView.h"

#include "app/AppModel.h"
#include "app/RestoreCoordinator.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/FormRowLabel.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/RouteFootnote.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/panel/UiFont.h"
#include "ui/windows/DecisionFooter.h"
#include "ui/windows/EmptyDecisionState.h"
#include "ui/windows/FormSection.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QString noPromptDetail = QStringLiteral("Choose a destination.");

QString promptDetail(const MissingDisplayPrompt &prompt)
{
    return QStringLiteral("Choose where “") + prompt.layoutName
        + QStringLiteral("” should restore.");
}

} // namespace

MissingDisplayView::MissingDisplayView(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , model_(environment.model)
    , restores_(environment.restores)
{
    setObjectName(QStringLiteral("missing-display-window"));
    setFont(UiFont::body());
    setAutoFillBackground(true);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    introductionSlot_ = new QWidget;
    auto *slot = new QVBoxLayout(introductionSlot_);
    slot->setContentsMargins(0, 0, 0, 0);
    column->addWidget(introductionSlot_);
    setIntroductionDetail(noPromptDetail);

    body_ = new QStackedWidget;
    form_ = new FormColumn;
    empty_ =
        new EmptyDecisionState(QStringLiteral("display"), QStringLiteral("No missing displays."));
    empty_->closeButton()->setObjectName(QStringLiteral("missing-display-empty-close"));
    body_->addWidget(form_);
    body_->addWidget(empty_);
    column->addWidget(body_, 1);

    DecisionFooter::Setup footer;
    footer.name = QStringLiteral("missing-display");
    footer.primaryTitle = QStringLiteral("Restore");
    footer.primaryName = QStringLiteral("missing-display-restore");
    footer_.emplace(
        this, column, footer, [this] { cancel(); }, [this] { confirm(); });
    footer_->dismissWith(empty_->closeButton());

    if (model_) {
        connect(model_, &AppModel::restoreStatusChanged, this, [this] { nextRefresh_.schedule(); });
    }
    AppAppearance::attach(this, environment);
    refresh();
}

void MissingDisplayView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        refresh();
    }
}

void MissingDisplayView::refresh()
{
    const std::optional<MissingDisplayPrompt> prompt =
        model_ ? model_->restoreStatus().missingDisplayPrompt : std::nullopt;
    const std::optional<QUuid> id = prompt ? std::optional<QUuid>(prompt->id) : std::nullopt;
    if (id != shownPromptID_) {
        shownPromptID_ = id;
        if (prompt) {
            choices_.prime(*prompt);
        }
        showPrompt(prompt);
    }
    footer_->showDecision(prompt.has_value());
    footer_->primary()->setEnabled(prompt && model_
                                   && choices_.canRestore(*prompt, model_->restoreStatus().busy));
}

void MissingDisplayView::setIntroductionDetail(const QString &detail)
{
    if (introduction_ && introduction_->detailLabel()
        && introduction_->detailLabel()->text() == detail) {
        return;
    }
    // The card reads its title and detail to assistive technology as one text, which it makes
    // once; a new detail is a new card.
    delete introduction_;
    introduction_ = new RouteIntroduction(QStringLiteral("display.trianglebadge.exclamationmark"),
                                          QStringLiteral("Display Not Connected"), detail);
    introductionSlot_->layout()->addWidget(introduction_);
}

void MissingDisplayView::showPrompt(const std::optional<MissingDisplayPrompt> &prompt)
{
    form_->clear();
    rows_.clear();
    if (!prompt) {
        setIntroductionDetail(noPromptDetail);
        body_->setCurrentWidget(empty_);
        return;
    }
    setIntroductionDetail(promptDetail(*prompt));

    auto *displays = new FormSection(new FormSectionHeader(
        QStringLiteral("Displays"),
        QStringLiteral("Windows stay within reach of the display you choose.")));
    for (const MissingDisplay &missing : prompt->missing) {
        auto *row = new QWidget;
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(12);
        auto *label =
            new FormRowLabel(missing.description, QStringLiteral("Choose a connected display."));
        line->addWidget(label, 1);
        auto *picker = new QComboBox;
        picker->setObjectName(QStringLiteral("missing-display-picker"));
        picker->setAccessibleName(QStringLiteral("Restore ") + missing.description
                                  + QStringLiteral(" on"));
        // On Linux assistive technology names a combo box by its current item and finds what it
        // is for through its label.
        label->titleLabel()->setBuddy(picker);
        picker->setMinimumWidth(200);
        // Two connected displays may share a key, so an item is told apart by its place, and the
        // key is only what the choice stores.
        for (qsizetype i = 0; i < prompt->available.size(); ++i) {
            const CurrentDisplay &display = prompt->available[i];
            picker->addItem(MissingDisplayChoices::itemText(i + 1, display),
                            display.identity.key());
        }
        picker->setCurrentIndex(picker->findData(choices_.selection(missing, *prompt)));
        line->addWidget(picker, 0, Qt::AlignVCenter);
        const Row entry{missing.savedDisplayKey, picker};
        rows_.append(entry);
        // Connected after the preset, so every later change is the user's, whichever way it
        // comes (pointer, keys or assistive technology).
        connect(picker, &QComboBox::currentIndexChanged, this,
                [this, entry](int index) { choose(entry, index); });
        displays->addRow(row);
    }
    form_->addSection(displays);

    auto *note = new FormSection;
    auto *footnote = new RouteFootnote(
        QStringLiteral("arrow.uturn.backward"),
        QStringLiteral(
            "This choice applies to this restore only. The saved layout stays unchanged."));
    note->addRow(footnote);
    form_->addSection(note);
    body_->setCurrentWidget(form_);
}

void MissingDisplayView::choose(const Row &row, int index)
{
    if (index < 0) {
        return;
    }
    choices_.choose(row.savedDisplayKey, row.picker->itemData(index).toString());
    nextRefresh_.schedule();
}

void MissingDisplayView::confirm()
{
    if (!model_) {
        return;
    }
    // Whatever changed since the last turn of the event loop is taken in first, so the choices
    // confirmed are always those of the prompt the model holds now.
    refresh();
    const std::optional<MissingDisplayPrompt> prompt = model_->restoreStatus().missingDisplayPrompt;
    if (!prompt || !footer_->primary()->isEnabled()) {
        return;
    }
    restores_->confirmMissingDisplays(choices_.confirmed(*prompt));
}

void MissingDisplayView::cancel()
{
    if (restores_) {
        restores_->cancelMissingDisplays();
    }
}

bool MissingDisplayView::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
