#include "ui/windows/ApplicationsSettingsPage.h"

#include "app/AppModel.h"
#include "platform/AppIconView.h"
#include "ui/illustrations/HairlineRiffleCanvas.h"
#include "ui/illustrations/HairlineRouteIntroduction.h"
#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/FormRowLabel.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/UiFont.h"
#include "ui/windows/ApplicationPicker.h"
#include "ui/windows/FormSection.h"
#include "ui/windows/IntroductionSection.h"
#include "ui/windows/MessageSlot.h"
#include "ui/windows/SettingsState.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

namespace {

// The indicator of the small control size.
constexpr int smallIndicator = 16;

PlainLabel *secondaryText(const QString &text, const QFont &font)
{
    auto *label = new PlainLabel(text);
    label->setFont(font);
    label->setTone(ThemeColor::secondary());
    label->setWordWrap(true);
    return label;
}

PanelButton *smallButton(const QString &title, const QString &objectName)
{
    auto *button =
        new PanelButton(title, PanelButton::Look::bordered, PanelButton::ControlSize::small);
    button->setObjectName(objectName);
    return button;
}

HairlineRouteIntroduction *introduction()
{
    auto *artwork = new HairlineRiffleCanvas(HairlineRiffleStyle::windows);
    artwork->setIntensity(0.5);
    artwork->setPaused(false);
    artwork->setShowsReadout(false);
    return new HairlineRouteIntroduction(
        QStringLiteral("Some Apps Stay Put."),
        QStringLiteral("Choose which applications Ostrel leaves alone."), 220, 170, 0, 0, artwork);
}

// A section below the list: one row, no header.
QWidget *hiddenSection(QWidget *content)
{
    auto *section = new FormSection;
    section->addRow(content);
    section->hide();
    return section;
}

} // namespace

ApplicationsSettingsPage::ApplicationsSettingsPage(const ViewEnvironment &environment,
                                                   SettingsState &state, QWidget *parent)
    : QWidget(parent)
    , environment_(environment)
    , model_(environment.model)
    , state_(&state)
{
    setObjectName(QStringLiteral("settings-applications"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto *form = new FormColumn;
    form->addSection(new IntroductionSection(introduction(), environment));
    form->addSection(buildListSection());

    message_ = secondaryText(QString(), UiFont::callout());
    message_->setObjectName(QStringLiteral("exclusion-message"));
    messageSection_ = hiddenSection(message_);
    messageSection_->setObjectName(QStringLiteral("exclusion-message-section"));
    form->addSection(messageSection_);

    error_ = new MessageSlot(QStringLiteral("Couldn’t update excluded applications."), true);
    error_->setObjectName(QStringLiteral("exclusion-error"));
    error_->setFont(UiFont::callout());
    errorSection_ = hiddenSection(error_);
    errorSection_->setObjectName(QStringLiteral("exclusion-error-section"));
    form->addSection(errorSection_);
    column->addWidget(form);

    if (model_) {
        for (auto signal : {&AppModel::savedDataChanged, &AppModel::restoreStatusChanged}) {
            connect(model_, signal, this, [this] { nextRefresh_.schedule(); });
        }
    }
    connect(&state, &SettingsState::changed, this, [this] { nextRefresh_.schedule(); });
    refresh();
}

QWidget *ApplicationsSettingsPage::buildListSection()
{
    auto *block = new QWidget;
    auto *column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    list_ = new FormSection(new FormSectionHeader(
        QStringLiteral("Excluded Applications"),
        QStringLiteral("Ostrel skips these apps when saving and restoring."),
        QStringLiteral("Saved layouts keep their windows. Removing an app here makes it available "
                       "again for future captures and restores.")));
    column->addWidget(list_);
    auto *footer = secondaryText(
        QStringLiteral("These apps are skipped by Save, Restore, and Undo."), UiFont::system(10));
    footer->setContentsMargins(12, 0, 12, 0);
    column->addWidget(footer);

    auto *addRow = new QWidget;
    auto *line = new QHBoxLayout(addRow);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(12);
    line->addWidget(
        new FormRowLabel(QStringLiteral("Add applications"),
                         QStringLiteral("Choose apps to skip when saving and restoring.")),
        1);
    add_ = smallButton(QStringLiteral("Add Applications…"), QStringLiteral("add-applications"));
    add_->setSymbol(QStringLiteral("plus"), 10);
    line->addWidget(add_, 0, Qt::AlignVCenter);
    list_->addRow(addRow);
    connect(add_, &PanelButton::clicked, this, &ApplicationsSettingsPage::showPicker);

    auto *progress = new QWidget;
    auto *progressLine = new QHBoxLayout(progress);
    progressLine->setContentsMargins(0, 0, 0, 0);
    progressLine->setSpacing(7);
    progressLine->addWidget(new ActivityIndicator(smallIndicator), 0, Qt::AlignVCenter);
    progressLine->addWidget(
        secondaryText(QStringLiteral("Adding applications…"), UiFont::subheadline()), 1);
    progressRow_ = list_->addRow(progress);
    progressRow_->setObjectName(QStringLiteral("adding-applications"));

    auto *empty = secondaryText(QStringLiteral("No excluded applications. Every app is included."),
                                UiFont::subheadline());
    emptyRow_ = list_->addRow(empty);
    emptyRow_->setObjectName(QStringLiteral("no-exclusions"));
    return block;
}

ApplicationPicker *ApplicationsSettingsPage::picker() const
{
    return picker_;
}

void ApplicationsSettingsPage::showPicker()
{
    if (picker_) {
        picker_->raise();
        picker_->activateWindow();
        return;
    }
    if (!state_ || !state_->canChangeExclusions()) {
        return;
    }
    picker_ = new ApplicationPicker(environment_, window());
    QPointer<SettingsState> target(state_);
    connect(picker_, &ApplicationPicker::finished, this, [target](const QStringList &locations) {
        if (target) {
            target->addApplications(locations);
        }
    });
    connect(picker_, &QObject::destroyed, this, [this] { nextRefresh_.schedule(); });
    picker_->show();
    picker_->raise();
    picker_->activateWindow();
}

QStringList ApplicationsSettingsPage::rowNames() const
{
    QStringList names;
    for (const AppExclusion &exclusion : shown_.value_or(QList<AppExclusion>())) {
        names.append(exclusion.appName);
    }
    return names;
}

void ApplicationsSettingsPage::refresh()
{
    if (!model_ || !state_) {
        return;
    }
    const QList<AppExclusion> &exclusions = model_->savedData().exclusions;
    if (exclusions != shown_) {
        rebuildRows(exclusions);
    }
    const bool canChange = state_->canChangeExclusions();
    add_->setEnabled(canChange);
    progressRow_->setVisible(state_->isAdding());
    const QSet<MutationScope> &pending = model_->savedData().pendingMutations;
    for (auto it = rows_.cbegin(); it != rows_.cend(); ++it) {
        it->remove->setEnabled(canChange);
        it->indicator->setVisible(pending.contains(MutationScope::exclusion(it.key())));
    }

    const std::optional<QString> &message = state_->exclusionMessage();
    message_->setText(message.value_or(QString()));
    messageSection_->setVisible(message.has_value());
    const std::optional<QString> &error = state_->exclusionError();
    error_->setMessage(error);
    errorSection_->setVisible(error.has_value());
}

void ApplicationsSettingsPage::rebuildRows(const QList<AppExclusion> &exclusions)
{
    shown_ = exclusions;
    for (const Row &row : std::as_const(rows_)) {
        delete row.place;
    }
    rows_.clear();
    emptyRow_->setVisible(exclusions.isEmpty());
    QPointer<SettingsState> target(state_);
    for (const AppExclusion &exclusion : exclusions) {
        auto *row = new QWidget;
        row->setObjectName(QStringLiteral("exclusion-row"));
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(9);
        line->addWidget(new AppIconView(exclusion.bundleID, 18, environment_.appIcons, nullptr,
                                        exclusion.appName),
                        0, Qt::AlignVCenter);
        auto *name = new PlainLabel(exclusion.appName);
        name->setObjectName(QStringLiteral("exclusion-name"));
        line->addWidget(name, 1);
        auto *indicator = new ActivityIndicator(smallIndicator);
        indicator->setObjectName(QStringLiteral("exclusion-indicator"));
        line->addWidget(indicator, 0, Qt::AlignVCenter);
        auto *remove = smallButton(QStringLiteral("Remove"), QStringLiteral("remove-exclusion"));
        line->addWidget(remove, 0, Qt::AlignVCenter);
        const QString bundleID = exclusion.bundleID;
        connect(remove, &PanelButton::clicked, this, [target, bundleID] {
            if (target && target->canChangeExclusions()) {
                target->removeExclusion(bundleID);
            }
        });
        rows_.insert(bundleID, Row{list_->addRow(row), remove, indicator});
    }
}

} // namespace ostrel
