#include "ui/windows/StorageSettingsPage.h"

#include "app/AppModel.h"
#include "ui/illustrations/HairlineDrawerCanvas.h"
#include "ui/illustrations/HairlineRouteIntroduction.h"
#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/FormRowLabel.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/InfoButton.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/UiFont.h"
#include "ui/windows/FormSection.h"
#include "ui/windows/IntroductionSection.h"
#include "ui/windows/MessageSlot.h"
#include "ui/windows/PathText.h"
#include "ui/windows/SettingsState.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

namespace {

// The indicator of the small control size.
constexpr int smallIndicator = 16;

PlainLabel *secondaryText(const QString &text)
{
    auto *label = new PlainLabel(text);
    label->setFont(UiFont::subheadline());
    label->setTone(ThemeColor::secondary());
    label->setWordWrap(true);
    return label;
}

PanelButton *button(const QString &title, const QString &objectName,
                    PanelButton::ControlSize size = PanelButton::ControlSize::small)
{
    auto *made = new PanelButton(title, PanelButton::Look::bordered, size);
    made->setObjectName(objectName);
    return made;
}

HairlineRouteIntroduction *introduction()
{
    auto *artwork = new HairlineDrawerCanvas;
    artwork->setIntensity(0.5);
    artwork->setPaused(false);
    artwork->setShowsReadout(false);
    return new HairlineRouteIntroduction(
        QStringLiteral("Saved Here. Kept Close."),
        QStringLiteral("Your layouts and backups stay on this computer."), 200, 170, 0, 0, artwork);
}

// A row of a form: its labels at the leading edge, its controls at the trailing one.
QWidget *labeledRow(QWidget *label, QLayout *content)
{
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(16);
    line->addWidget(label, 1);
    line->addLayout(content);
    return row;
}

// The title and subtitle of a row with the storage folder's path under them.
QWidget *pathLabel(const QString &title, const QString &subtitle, PathText *path)
{
    auto *stack = new QWidget;
    auto *column = new QVBoxLayout(stack);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(new FormRowLabel(title, subtitle));
    column->addSpacing(6);
    column->addWidget(path);
    return stack;
}

// The place of a row's answer: an error folded under its summary, or a plain secondary text.
QWidget *answerRow(MessageSlot *error, PlainLabel *text)
{
    auto *row = new QWidget;
    auto *column = new QVBoxLayout(row);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    error->setFont(UiFont::callout());
    column->addWidget(error);
    column->addWidget(text);
    return row;
}

} // namespace

StorageSettingsPage::StorageSettingsPage(const ViewEnvironment &environment, SettingsState &state,
                                         std::function<void()> confirmReset, QWidget *parent)
    : QWidget(parent)
    , environment_(environment)
    , model_(environment.model)
    , state_(&state)
    , confirmReset_(std::move(confirmReset))
{
    setObjectName(QStringLiteral("settings-storage"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto *form = new FormColumn;
    form->addSection(new IntroductionSection(introduction(), environment));
    form->addSection(buildStorageSection());
    form->addSection(buildRecoverySection());
    form->addSection(buildResetSection());
    column->addWidget(form);

    if (model_) {
        for (auto signal : {&AppModel::storageStatusChanged, &AppModel::restoreStatusChanged,
                            &AppModel::savedDataChanged}) {
            connect(model_, signal, this, &StorageSettingsPage::scheduleRefresh);
        }
    }
    connect(&state, &SettingsState::changed, this, &StorageSettingsPage::scheduleRefresh);
    refresh();
}

QWidget *StorageSettingsPage::buildStorageSection()
{
    storageHeader_ = new FormSectionHeader(
        QStringLiteral("Storage"),
        QStringLiteral("Saved layouts, shortcuts and settings stay on this computer."), QString());
    storageHeader_->setObjectName(QStringLiteral("storage-header"));
    auto *section = new FormSection(storageHeader_);

    folderPath_ = new PathText;
    folderPath_->setObjectName(QStringLiteral("storage-folder-path"));
    auto *controls = new QHBoxLayout;
    controls->setSpacing(8);
    reveal_ = button(QStringLiteral("Reveal Folder"), QStringLiteral("reveal-folder"));
    controls->addWidget(reveal_, 0, Qt::AlignVCenter);
    backUp_ = button(QStringLiteral("Back Up Now"), QStringLiteral("back-up-now"));
    controls->addWidget(backUp_, 0, Qt::AlignVCenter);
    backupIndicator_ = new ActivityIndicator(smallIndicator);
    backupIndicator_->setObjectName(QStringLiteral("backup-indicator"));
    controls->addWidget(backupIndicator_, 0, Qt::AlignVCenter);
    section->addRow(labeledRow(
        pathLabel(QStringLiteral("Saved layouts"),
                  QStringLiteral("Everything stays on this computer. No account or cloud sync."),
                  folderPath_),
        controls));

    auto *last = new QWidget;
    auto *lastLine = new QHBoxLayout(last);
    lastLine->setContentsMargins(0, 0, 0, 0);
    lastLine->setSpacing(8);
    lastLine->addWidget(new PlainLabel(QStringLiteral("Last backup")));
    lastLine->addStretch(1);
    lastBackup_ = secondaryText(QString());
    lastBackup_->setObjectName(QStringLiteral("last-backup"));
    lastBackup_->setWordWrap(false);
    lastLine->addWidget(lastBackup_);
    section->addRow(last);

    backupError_ = new MessageSlot(QStringLiteral("Couldn’t create the backup."), true);
    backupError_->setObjectName(QStringLiteral("backup-error"));
    backupText_ = secondaryText(QString());
    backupText_->setObjectName(QStringLiteral("backup-message"));
    backupRow_ = section->addRow(answerRow(backupError_, backupText_));
    backupRow_->setObjectName(QStringLiteral("backup-answer-row"));

    connect(reveal_, &PanelButton::clicked, this, [this] {
        if (model_) {
            model_->revealStorageFolder();
        }
    });
    connect(backUp_, &PanelButton::clicked, this, [this] {
        if (state_) {
            state_->backUp();
        }
    });
    return section;
}

QWidget *StorageSettingsPage::buildRecoverySection()
{
    auto *section = new FormSection;
    recoveryPath_ = new PathText;
    recoveryPath_->setObjectName(QStringLiteral("recovery-folder-path"));
    auto *controls = new QHBoxLayout;
    revealBackup_ =
        button(QStringLiteral("Reveal Backup Folder"), QStringLiteral("reveal-backup-folder"));
    controls->addWidget(revealBackup_, 0, Qt::AlignVCenter);
    section->addRow(labeledRow(
        pathLabel(QStringLiteral("Recovery"),
                  QStringLiteral("A last-known-good copy is kept automatically. Damaged files are "
                                 "preserved for inspection."),
                  recoveryPath_),
        controls));
    // The backup lives in the storage folder, so both open the same place.
    connect(revealBackup_, &PanelButton::clicked, this, [this] {
        if (model_) {
            model_->revealStorageFolder();
        }
    });
    return section;
}

QWidget *StorageSettingsPage::buildResetSection()
{
    auto *section = new FormSection(new FormSectionHeader(
        QStringLiteral("Reset Layouts"),
        QStringLiteral("Erase every layout, shortcut, and setting. Your windows stay open."),
        QStringLiteral("Reset also replaces the automatic backup with an empty one, so old layouts "
                       "cannot return through recovery."),
        ThemeColor::dangerText()));
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    reset_ = button(QStringLiteral("Reset Layouts…"), QStringLiteral("reset-layouts"),
                    PanelButton::ControlSize::regular);
    reset_->setTint(ThemeColor::dangerText());
    line->addWidget(reset_, 0, Qt::AlignVCenter);
    resetting_ = new QWidget;
    resetting_->setObjectName(QStringLiteral("resetting-layouts"));
    auto *resetting = new QHBoxLayout(resetting_);
    resetting->setContentsMargins(0, 0, 0, 0);
    resetting->setSpacing(8);
    resetting->addWidget(new ActivityIndicator(smallIndicator), 0, Qt::AlignVCenter);
    auto *resettingText = secondaryText(QStringLiteral("Resetting layouts…"));
    resettingText->setWordWrap(false);
    resetting->addWidget(resettingText, 0, Qt::AlignVCenter);
    line->addWidget(resetting_, 0, Qt::AlignVCenter);
    line->addStretch(1);
    section->addRow(row);

    resetError_ =
        new MessageSlot(QStringLiteral("Couldn’t reset layouts. Nothing was removed."), true);
    resetError_->setObjectName(QStringLiteral("reset-error"));
    resetText_ = secondaryText(QString());
    resetText_->setObjectName(QStringLiteral("reset-message"));
    resetRow_ = section->addRow(answerRow(resetError_, resetText_));
    resetRow_->setObjectName(QStringLiteral("reset-answer-row"));

    connect(reset_, &PanelButton::clicked, this, [this] {
        if (state_ && state_->canResetDatabase() && confirmReset_) {
            confirmReset_();
        }
    });
    return section;
}

void StorageSettingsPage::scheduleRefresh()
{
    if (refreshQueued_) {
        return;
    }
    refreshQueued_ = true;
    QMetaObject::invokeMethod(this, &StorageSettingsPage::refresh, Qt::QueuedConnection);
}

void StorageSettingsPage::refresh()
{
    refreshQueued_ = false;
    if (!model_ || !state_) {
        return;
    }
    const StorePaths &paths = model_->storageStatus().storePaths;
    folderPath_->setPath(paths.directory);
    recoveryPath_->setPath(paths.directory);
    storageHeader_->infoButton()->setExplanation(QStringLiteral("Saved layouts: ") + paths.database
                                                 + QStringLiteral("\nAutomatic backup: ")
                                                 + paths.backup);
    const std::optional<QString> &backup = model_->storageStatus().lastBackupURL;
    lastBackup_->setText(backup ? QFileInfo(*backup).fileName() : QStringLiteral("None yet"));

    backUp_->setEnabled(state_->canBackUp());
    backupIndicator_->setVisible(state_->isBackingUp());
    reset_->setEnabled(state_->canResetDatabase());
    resetting_->setVisible(state_->isResetting());
    refreshMessages();
}

void StorageSettingsPage::refreshMessages()
{
    const std::optional<QString> &backup = state_->backupMessage();
    const bool backupFailed = backup && state_->backupIsError();
    backupError_->setMessage(backupFailed ? backup : std::nullopt);
    backupText_->setText(backup && !backupFailed ? *backup : QString());
    backupText_->setVisible(backup && !backupFailed);
    backupRow_->setVisible(backup.has_value());

    const std::optional<QString> &reset = state_->resetMessage();
    const bool resetFailed = reset && state_->resetIsError();
    resetError_->setSummary(
        state_->resetWasRejected()
            ? QStringLiteral("Couldn’t reset layouts. Nothing was removed.")
            : QStringLiteral("Layouts were cleared, but one cleanup step didn’t finish."));
    resetError_->setMessage(resetFailed ? reset : std::nullopt);
    resetText_->setText(reset && !resetFailed ? *reset : QString());
    resetText_->setVisible(reset && !resetFailed);
    resetRow_->setVisible(reset.has_value());
}

} // namespace ostrel
