#include "ui/panel/StorageProblemSection.h"

#include "app/StorageUpkeep.h"
#include "ui/panel/DetailsDisclosure.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

StorageProblemSection::StorageProblemSection(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , storage_(environment.storage)
    , title_(sectionLabel({}, 13, QFont::DemiBold, std::nullopt, Wrapping::wraps))
    , message_(sectionLabel({}, 11.5, QFont::Normal, ThemeColor::secondary(), Wrapping::wraps))
    , retry_(new PanelButton(QStringLiteral("Retry"), PanelButton::Look::prominent,
                             PanelButton::ControlSize::small))
    , reveal_(new PanelButton(QStringLiteral("Reveal Folder"), PanelButton::Look::bordered,
                              PanelButton::ControlSize::small))
    , details_(new DetailsDisclosure)
{
    setObjectName(QStringLiteral("storage-problem"));
    retry_->setObjectName(QStringLiteral("storage-retry-button"));
    reveal_->setObjectName(QStringLiteral("reveal-folder-button"));
    details_->setObjectName(QStringLiteral("storage-problem-details"));
    auto *layout = new QVBoxLayout(this);
    trayContentPadding(layout, 9);
    layout->setSpacing(7);

    auto *heading = new QHBoxLayout;
    heading->setSpacing(7);
    heading->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle"), 16, QFont::Normal,
                                      ThemeColor::warning()),
                       0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(title_);
    texts->addWidget(message_);
    heading->addLayout(texts, 1);
    layout->addLayout(heading);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(7);
    buttons->addWidget(retry_);
    buttons->addWidget(reveal_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addWidget(details_);

    connect(retry_, &QAbstractButton::clicked, this, [this] {
        if (storage_) {
            storage_->retryStorage();
        }
    });
    connect(reveal_, &QAbstractButton::clicked, this, [this] {
        if (storage_) {
            storage_->revealStorageFolder();
        }
    });
}

void StorageProblemSection::setProblem(const StorageProblem &problem)
{
    if (shown_ && shown_->id == problem.id && shown_->title == problem.title
        && shown_->message == problem.message && shown_->details == problem.details
        && shown_->databasePath == problem.databasePath && shown_->canRetry == problem.canRetry) {
        return;
    }
    shown_ = problem;
    title_->setText(problem.title);
    message_->setText(problem.message);
    retry_->setVisible(problem.canRetry);
    details_->clearLines();
    if (problem.details) {
        details_->addLine(*problem.details);
    }
    details_->addLine(problem.databasePath, true);
}

void StorageProblemSection::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // The details start collapsed each time the section comes back.
    details_->setExpanded(false);
}

} // namespace ostrel
