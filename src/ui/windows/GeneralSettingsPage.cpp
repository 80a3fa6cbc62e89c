#include "ui/windows/GeneralSettingsPage.h"

#include "app/AppModel.h"
#include "ui/illustrations/HairlineLayoutsCanvas.h"
#include "ui/illustrations/HairlineRouteIntroduction.h"
#include "ui/panel/FormRowLabel.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/LazyRows.h"
#include "ui/panel/HighlightColorPicker.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SegmentedPicker.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/ToggleSwitch.h"
#include "ui/panel/UiFont.h"
#include "ui/windows/FormSection.h"
#include "ui/windows/IntroductionSection.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr qreal dimmedOpacity = 0.45;

PlainLabel *secondaryText(const QString &text, QWidget *parent = nullptr)
{
    auto *label = new PlainLabel(text, parent);
    label->setFont(UiFont::subheadline());
    label->setTone(ThemeColor::secondary());
    label->setWordWrap(true);
    return label;
}

// A toggle of the form: its label at the leading edge, the switch at the trailing one.
QWidget *toggleRow(ToggleSwitch *toggle, const QString &title, const QString &subtitle)
{
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(12);
    line->addWidget(new FormRowLabel(title, subtitle), 1);
    toggle->setAccessibleName(title);
    toggle->setAccessibleDescription(subtitle);
    line->addWidget(toggle, 0, Qt::AlignVCenter);
    return row;
}

PanelButton *smallButton(const QString &title, const QString &objectName)
{
    auto *button =
        new PanelButton(title, PanelButton::Look::bordered, PanelButton::ControlSize::small);
    button->setObjectName(objectName);
    return button;
}

QList<AppearancePreference> appearances()
{
    return {AppearancePreference::system, AppearancePreference::light, AppearancePreference::dark};
}

HairlineRouteIntroduction *introduction()
{
    auto *artwork = new HairlineLayoutsCanvas;
    artwork->setIntensity(0.5);
    artwork->setPaused(false);
    artwork->setShowsReadout(false);
    artwork->setViewBox(QRectF(50, 60, 300, 240));
    return new HairlineRouteIntroduction(
        QStringLiteral("Your Windows, in Place."),
        QStringLiteral("Save your workspace and bring it back when you need it."), 160, 144, 0, 0,
        artwork);
}

} // namespace

GeneralSettingsPage::GeneralSettingsPage(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , model_(environment.model)
{
    setObjectName(QStringLiteral("settings-general"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto *form = new FormColumn;
    form->addSection(new IntroductionSection(introduction(), environment));
    form->addSection(buildAccessSection());
    form->addSection(buildAppearanceSection());
    form->addSection(buildFeedbackSection());
    form->addSection(buildAutomationSection());
    column->addWidget(form);

    if (model_) {
        for (auto signal :
             {&AppModel::sessionChanged, &AppModel::settingsChanged, &AppModel::savedDataChanged}) {
            connect(model_, signal, this, &GeneralSettingsPage::scheduleRefresh);
        }
    }
    refresh();
}

QString GeneralSettingsPage::appearanceLabel(AppearancePreference appearance)
{
    switch (appearance) {
    case AppearancePreference::system:
        return QStringLiteral("Match the System");
    case AppearancePreference::light:
        return QStringLiteral("Light");
    case AppearancePreference::dark:
        return QStringLiteral("Dark");
    }
    return {};
}

QString GeneralSettingsPage::colorSubtitle(HighlightColor color)
{
    return QStringLiteral("The ") + label(color).toLower()
        + QStringLiteral(" rim shown after a restore.");
}

QWidget *GeneralSettingsPage::buildAccessSection()
{
    auto *section = new FormSection(
        new FormSectionHeader(QStringLiteral("Accessibility"),
                              QStringLiteral("Ostrel needs access to read and move windows.")));
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(9);
    shield_ = new SymbolView(QStringLiteral("checkmark.shield.fill"), 17);
    shield_->setObjectName(QStringLiteral("access-shield"));
    line->addWidget(shield_, 0, Qt::AlignVCenter);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    accessTitle_ = new PlainLabel;
    accessTitle_->setObjectName(QStringLiteral("access-title"));
    texts->addWidget(accessTitle_);
    // On X11 access is no permission a user grants: it is there while a window manager that
    // Ostrel can read and move windows through runs. Nothing can be opened or asked for, so
    // Recheck is the one button.
    accessDetail_ = secondaryText(
        QStringLiteral("Access means a window manager that supports EWMH is running."));
    accessDetail_->setObjectName(QStringLiteral("access-detail"));
    texts->addWidget(accessDetail_);
    // At least 10 between the texts and the buttons.
    texts->setContentsMargins(0, 0, 1, 0);
    line->addLayout(texts, 1);
    auto *recheck = smallButton(QStringLiteral("Recheck"), QStringLiteral("access-recheck"));
    line->addWidget(recheck, 0, Qt::AlignVCenter);
    section->addRow(row);

    connect(recheck, &PanelButton::clicked, this, [this] {
        if (model_) {
            model_->refreshPermission(false);
        }
    });
    return section;
}

QWidget *GeneralSettingsPage::buildAppearanceSection()
{
    auto *section = new FormSection(
        new FormSectionHeader(QStringLiteral("Appearance"),
                              QStringLiteral("Match the System, or keep Ostrel light or dark.")));
    QStringList labels;
    for (AppearancePreference appearance : appearances()) {
        labels.append(appearanceLabel(appearance));
    }
    appearance_ = new SegmentedPicker(QStringLiteral("Appearance"), labels, 330);
    appearance_->setObjectName(QStringLiteral("appearance-picker"));
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(0);
    line->addStretch(1);
    line->addWidget(appearance_, 0, Qt::AlignVCenter);
    section->addRow(row);
    connect(appearance_, &SegmentedPicker::chosen, this, [this](int index) {
        if (model_ && index >= 0 && index < appearances().size()) {
            model_->setAppearance(appearances()[index]);
        }
    });
    return section;
}

QWidget *GeneralSettingsPage::buildFeedbackSection()
{
    auto *section = new FormSection(
        new FormSectionHeader(QStringLiteral("Feedback"),
                              QStringLiteral("Show a short confirmation after a manual restore.")));
    flash_ = new ToggleSwitch;
    flash_->setObjectName(QStringLiteral("highlight-restored-windows"));
    section->addRow(
        toggleRow(flash_, QStringLiteral("Highlight restored windows"),
                  QStringLiteral("Show a brief rim around every window that was put back.")));
    // Toggled, not clicked: assistive technology checks a box without clicking it. The page's
    // own refresh sets the switch with its signals blocked.
    connect(flash_, &QAbstractButton::toggled, this, [this](bool on) {
        if (model_) {
            model_->setRestoreFlashEnabled(on);
        }
    });

    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(16);
    colorLabel_ =
        new FormRowLabel(QStringLiteral("Highlight color"), colorSubtitle(HighlightColor::blue));
    line->addWidget(colorLabel_, 1, Qt::AlignVCenter);
    colors_ = new HighlightColorPicker(HighlightColor::blue);
    line->addWidget(colors_, 0, Qt::AlignVCenter);
    section->addRow(row);
    connect(colors_, &HighlightColorPicker::picked, this, [this](HighlightColor color) {
        if (model_) {
            model_->setHighlightColor(color);
        }
    });
    return section;
}

QWidget *GeneralSettingsPage::buildAutomationSection()
{
    auto *section = new FormSection(new FormSectionHeader(
        QStringLiteral("Automation"),
        QStringLiteral("Restore a linked layout when displays change or the computer wakes."),
        QStringLiteral("Automation runs only when the current displays match the setup linked to a "
                       "layout. Link one in Layout Details → Automation.")));
    automation_ = new ToggleSwitch;
    automation_->setObjectName(QStringLiteral("restore-automatically"));
    section->addRow(toggleRow(automation_, QStringLiteral("Restore automatically"),
                              QStringLiteral("Only for layouts linked to a display setup.")));
    // Toggled, not clicked: assistive technology checks a box without clicking it. The page's
    // own refresh sets the switch with its signals blocked.
    connect(automation_, &QAbstractButton::toggled, this, [this](bool on) {
        if (model_) {
            model_->setAutomationEnabled(on);
        }
    });

    auto *body = new QWidget;
    auto *bodyColumn = new QVBoxLayout(body);
    bodyColumn->setContentsMargins(0, 0, 0, 0);
    bodyColumn->setSpacing(0);
    noLinked_ = secondaryText(QStringLiteral("No layouts linked yet."));
    noLinked_->setObjectName(QStringLiteral("no-linked-layouts"));
    bodyColumn->addWidget(noLinked_);
    linked_ = new QWidget;
    linked_->setObjectName(QStringLiteral("linked-layouts"));
    linkedRows_ = new QVBoxLayout(linked_);
    linkedRows_->setContentsMargins(0, 0, 0, 0);
    linkedRows_->setSpacing(8);
    bodyColumn->addWidget(linked_);
    section->addRow(body);
    return section;
}

void GeneralSettingsPage::scheduleRefresh()
{
    if (refreshQueued_) {
        return;
    }
    refreshQueued_ = true;
    QMetaObject::invokeMethod(this, &GeneralSettingsPage::refresh, Qt::QueuedConnection);
}

void GeneralSettingsPage::refresh()
{
    refreshQueued_ = false;
    if (!model_) {
        return;
    }
    const bool trusted = model_->session().permissionTrusted;
    shield_->setName(trusted ? QStringLiteral("checkmark.shield.fill")
                             : QStringLiteral("exclamationmark.shield.fill"));
    shield_->setColour(trusted ? ThemeColor::success() : ThemeColor::warning());
    accessTitle_->setText(trusted ? QStringLiteral("Access granted")
                                  : QStringLiteral("Access needed"));
    accessDetail_->setVisible(!trusted);

    appearance_->setCurrentIndex(int(appearances().indexOf(model_->settings().appearance)));

    const bool flash = model_->settings().restoreFlashEnabled;
    {
        const QSignalBlocker quiet(flash_);
        flash_->setChecked(flash);
    }
    colorLabel_->setSubtitle(colorSubtitle(model_->settings().highlightColor));
    colors_->setSelection(model_->settings().highlightColor);
    colors_->setEnabled(flash);
    colors_->setOpacity(flash ? 1.0 : dimmedOpacity);

    {
        const QSignalBlocker quiet(automation_);
        automation_->setChecked(model_->settings().automationEnabled);
    }
    refreshLinked();
}

void GeneralSettingsPage::refreshLinked()
{
    while (QLayoutItem *item = linkedRows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    linkedLayouts_.clear();
    for (const Layout &layout : model_->savedData().layouts) {
        // Only the link counts: a layout keeps its signature whatever its own switch says.
        if (layout.automationTopologySignature) {
            linkedLayouts_.append(layout);
        }
    }
    if (!linkedLayouts_.isEmpty()) {
        LazyRows::Source source;
        source.make = [this](int index) { return linkedRow(index); };
        auto *rows = new LazyRows(std::move(source), int(linkedLayouts_.size()), 8);
        linkedRows_->addWidget(rows);
        rows->fill();
    }
    noLinked_->setVisible(linkedLayouts_.isEmpty());
    linked_->setVisible(!linkedLayouts_.isEmpty());
}

QWidget *GeneralSettingsPage::linkedRow(int index) const
{
    const Layout &layout = linkedLayouts_[index];
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("linked-layout"));
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto *symbol =
        new SymbolView(QStringLiteral("display"), 12, QFont::Normal, ThemeColor::secondary());
    symbol->setFixedWidth(16);
    line->addWidget(symbol, 0, Qt::AlignVCenter);
    auto *name = new PlainLabel(layout.name);
    name->setObjectName(QStringLiteral("linked-layout-name"));
    line->addWidget(name, 1);
    auto *description = secondaryText(model_ ? model_->automationDescription(layout) : QString());
    description->setObjectName(QStringLiteral("linked-layout-description"));
    description->setWordWrap(false);
    line->addWidget(description, 0, Qt::AlignVCenter);
    return row;
}

qreal GeneralSettingsPage::colorPickerOpacity() const
{
    return colors_->opacity();
}

QStringList GeneralSettingsPage::linkedRows() const
{
    QStringList rows;
    for (QWidget *row : linked_->findChildren<QWidget *>(QStringLiteral("linked-layout"))) {
        rows.append(
            row->findChild<QLabel *>(QStringLiteral("linked-layout-name"))->text()
            + QStringLiteral(" · ")
            + row->findChild<QLabel *>(QStringLiteral("linked-layout-description"))->text());
    }
    return rows;
}

} // namespace ostrel
