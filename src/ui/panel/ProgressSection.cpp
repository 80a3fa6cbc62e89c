#include "ui/panel/ProgressSection.h"

#include "app/RestoreCoordinator.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/RestoreSpinner.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

namespace {

// The step line starts where the title does: past the spinner and the header's spacing.
constexpr int spinnerSize = 12;
constexpr int headerSpacing = 7;

} // namespace

ProgressSection::ProgressSection(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , restores_(environment.restores)
    , spinner_(new RestoreSpinner(ThemeColor::accent(), spinnerSize, environment))
    , title_(limitedLabel({}, 1, 12.5, QFont::Medium))
    , cancel_(new PanelButton(QStringLiteral("Cancel"), PanelButton::Look::plain,
                              PanelButton::ControlSize::small))
    , step_(limitedLabel({}, 1, 11, QFont::Normal, ThemeColor::secondary()))
{
    setObjectName(QStringLiteral("progress-section"));
    spinner_->setObjectName(QStringLiteral("progress-spinner"));
    title_->setObjectName(QStringLiteral("progress-title"));
    cancel_->setObjectName(QStringLiteral("cancel-restore-button"));
    step_->setObjectName(QStringLiteral("progress-step"));
    auto *layout = new QVBoxLayout(this);
    trayContentPadding(layout, 8);
    layout->setSpacing(5);

    auto *header = new QHBoxLayout;
    header->setSpacing(headerSpacing);
    header->addWidget(spinner_);
    header->addWidget(title_, 1);
    header->addSpacing(4);
    cancel_->setTitleFont(UiFont::system(11.5));
    cancel_->setToolTip(QStringLiteral("Cancel this restore"));
    header->addWidget(cancel_);
    layout->addLayout(header);

    auto *stepRow = new QHBoxLayout;
    stepRow->setContentsMargins(spinnerSize + headerSpacing, 0, 0, 0);
    stepRow->addWidget(step_);
    layout->addLayout(stepRow);

    connect(cancel_, &QAbstractButton::clicked, this, [this] {
        if (restores_) {
            restores_->cancelRestore();
        }
    });
}

void ProgressSection::setProgress(const RestoreProgress &progress,
                                  std::optional<OperationKind> busy)
{
    title_->setText(PanelTexts::progressTitle(progress, busy));
    title_->setAccessibleName(title_->text());
    title_->setAccessibleDescription(PanelTexts::progressValue(progress));
    step_->setVisible(progress.currentLabel.has_value());
    step_->setText(progress.currentLabel.value_or(QString()));
}

} // namespace ostrel
