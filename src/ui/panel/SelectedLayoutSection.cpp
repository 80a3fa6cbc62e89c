#include "ui/panel/SelectedLayoutSection.h"

#include "app/AppModel.h"
#include "model/ShortcutFormatter.h"
#include "platform/KeyboardLayoutObserver.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PanelState.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/PlainText.h"
#include "ui/panel/RestoreSpinner.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/ShortcutBadge.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/TrayLayoutIcons.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel {

SelectedLayoutSection::SelectedLayoutSection(const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
    , model_(environment.model)
    , keyboardLayout_(environment.keyboardLayout)
    , appIcons_(environment.appIcons)
    , noSelection_(new QWidget)
    , layoutRow_(new QWidget)
    , rowLayout_(new QHBoxLayout(layoutRow_))
    , name_(limitedLabel({}, 1, 13, QFont::DemiBold))
    , summary_(limitedLabel({}, 1, 12, QFont::Normal, ThemeColor::secondary()))
    , badgeRow_(new QWidget)
    , restore_(new PanelButton(QStringLiteral("Restore"), PanelButton::Look::prominent,
                               PanelButton::ControlSize::small))
    // The button is disabled while the spinner turns, and a white spinner would vanish on its
    // greyed face in the light appearance: it takes the face's secondary tone instead.
    , spinner_(new RestoreSpinner(ThemeColor::secondary(), 11, environment))
{
    setObjectName(QStringLiteral("selected-layout"));
    layoutRow_->setObjectName(QStringLiteral("selected-layout-row"));
    name_->setObjectName(QStringLiteral("selected-layout-name"));
    summary_->setObjectName(QStringLiteral("selected-layout-summary"));
    spinner_->setObjectName(QStringLiteral("restore-spinner"));
    auto *layout = new QVBoxLayout(this);
    trayContentPadding(layout, 9);
    layout->setSpacing(0);

    // Nothing selected.
    auto *hint = new QVBoxLayout(noSelection_);
    hint->setContentsMargins(0, 0, 0, 0);
    hint->setSpacing(6);
    hint->addWidget(
        new SymbolView(QStringLiteral("macwindow"), 22, QFont::Normal, ThemeColor::secondary()), 0,
        Qt::AlignHCenter);
    PlainLabel *title = sectionLabel(QStringLiteral("No layout selected"), 12.5, QFont::DemiBold);
    title->setAlignment(Qt::AlignHCenter);
    hint->addWidget(title);
    PlainLabel *detail =
        sectionLabel(QStringLiteral("Choose one below, or save this arrangement."), 11.5,
                     QFont::Normal, ThemeColor::secondary(), Wrapping::wraps);
    detail->setAlignment(Qt::AlignHCenter);
    hint->addWidget(detail);
    layout->addWidget(noSelection_);

    // The selected layout.
    rowLayout_->setContentsMargins(0, 0, 0, 0);
    rowLayout_->setSpacing(6);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(name_);
    texts->addWidget(summary_);
    auto *badgeLayout = new QHBoxLayout(badgeRow_);
    badgeLayout->setContentsMargins(0, 1, 0, 0);
    badgeLayout->setSpacing(0);
    badgeLayout->addStretch(1);
    texts->addWidget(badgeRow_);
    rowLayout_->addLayout(texts, 1);
    rowLayout_->addSpacing(4);
    restore_->setObjectName(QStringLiteral("restore-button"));
    restore_->setSpacing(5);
    restore_->setMinimumContentWidth(54);
    restore_->setLeadingWidget(spinner_);
    spinner_->hide();
    rowLayout_->addWidget(restore_);
    layout->addWidget(layoutRow_);

    connect(restore_, &QAbstractButton::clicked, this, [this] {
        if (model_) {
            model_->restoreSelectedLayout();
        }
    });
}

void SelectedLayoutSection::setState(const PanelState &state)
{
    const std::optional<Layout> &layout = state.selectedLayout;
    noSelection_->setVisible(!layout);
    layoutRow_->setVisible(layout.has_value());

    if (layout) {
        if (iconEntries_ != layout->entries) {
            iconEntries_ = layout->entries;
            auto *icons = new TrayLayoutIcons(layout->entries, appIcons_);
            icons->setObjectName(QStringLiteral("selected-layout-icons"));
            if (icons_) {
                delete rowLayout_->replaceWidget(icons_, icons);
                delete icons_;
            } else {
                rowLayout_->insertWidget(0, icons);
            }
            icons_ = icons;
        }
        name_->setText(layout->name);
        PlainText::setToolTip(name_, layout->name);
        summary_->setText(PanelTexts::layoutSummary(*layout));
        if (layout->shortcut) {
            if (!badge_) {
                badge_ = new ShortcutBadge(*layout->shortcut, keyboardLayout_);
                badge_->setObjectName(QStringLiteral("selected-layout-badge"));
                static_cast<QHBoxLayout *>(badgeRow_->layout())->insertWidget(0, badge_);
            } else {
                badge_->setShortcut(*layout->shortcut);
            }
        }
        badgeRow_->setVisible(layout->shortcut.has_value());
    }

    spinner_->setVisible(state.isBusyWith(OperationKind::restoring));
    std::optional<QString> shortcutNote;
    if (state.shortcuts.activeGlobalShortcut) {
        shortcutNote = ShortcutFormatter::text(*state.shortcuts.activeGlobalShortcut,
                                               labelsOf(keyboardLayout_));
    }
    restore_->setTrailingNote(shortcutNote, UiFont::system(10.5, QFont::Medium), 0.68);
    restore_->setEnabled(state.canRestore);
    restore_->setToolTip(PanelTexts::restoreHelp(state, labelsOf(keyboardLayout_)));
    restore_->setAccessibleName(
        PanelTexts::restoreAccessibleName(state, labelsOf(keyboardLayout_)));
}

} // namespace ostrel
