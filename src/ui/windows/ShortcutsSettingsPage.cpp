#include "ui/windows/ShortcutsSettingsPage.h"

#include "app/AppModel.h"
#include "ui/illustrations/ShortcutKeyboardIntroduction.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/LazyRows.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ShortcutRecorder.h"
#include "ui/panel/UiFont.h"
#include "ui/windows/FormSection.h"
#include "ui/windows/IntroductionSection.h"
#include "ui/windows/MessageSlot.h"
#include "ui/windows/SettingsState.h"

#include <QVBoxLayout>

namespace ostrel {

ShortcutsSettingsPage::ShortcutsSettingsPage(const ViewEnvironment &environment,
                                             SettingsState &state, QWidget *parent)
    : QWidget(parent)
    , environment_(environment)
    , model_(environment.model)
    , state_(&state)
{
    setObjectName(QStringLiteral("settings-shortcuts"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto *form = new FormColumn;
    form->addSection(new IntroductionSection(new ShortcutKeyboardIntroduction, environment));

    auto *global = new FormSection(new FormSectionHeader(
        QStringLiteral("Global Shortcut"),
        QStringLiteral("Restore the selected layout from anywhere."),
        QStringLiteral(
            "At least one modifier is required. Shift-only shortcuts can replace ordinary "
            "typing or selection and are marked with a warning. Standard desktop commands "
            "such as Ctrl+A are not available.")));
    QPointer<SettingsState> target(&state);
    global_ = new ShortcutRecorder(
        QStringLiteral("Restore selected layout"), std::nullopt,
        [target](std::optional<Shortcut> shortcut) {
            if (target) {
                target->changeGlobalShortcut(shortcut);
            }
        },
        *environment.shortcutRecordings, environment.keyboardLayout);
    global_->setObjectName(QStringLiteral("global-shortcut-recorder"));
    global->addRow(global_);
    form->addSection(global);

    auto *slot = new QWidget;
    layoutSectionSlot_ = new QVBoxLayout(slot);
    layoutSectionSlot_->setContentsMargins(0, 0, 0, 0);
    form->addSection(slot);

    auto *messages = new FormSection;
    message_ = new MessageSlot(QStringLiteral("Couldn’t save the shortcut."), false);
    message_->setObjectName(QStringLiteral("shortcut-message"));
    message_->setFont(UiFont::callout());
    messages->addRow(message_);
    messages->setObjectName(QStringLiteral("shortcut-message-section"));
    messageSection_ = messages;
    form->addSection(messages);
    column->addWidget(form);

    if (model_) {
        for (auto signal : {&AppModel::settingsChanged, &AppModel::savedDataChanged,
                            &AppModel::shortcutStatusChanged}) {
            connect(model_, signal, this, &ShortcutsSettingsPage::scheduleRefresh);
        }
    }
    connect(&state, &SettingsState::changed, this, &ShortcutsSettingsPage::scheduleRefresh);
    refresh();
}

void ShortcutsSettingsPage::scheduleRefresh()
{
    if (refreshQueued_) {
        return;
    }
    refreshQueued_ = true;
    QMetaObject::invokeMethod(this, &ShortcutsSettingsPage::refresh, Qt::QueuedConnection);
}

void ShortcutsSettingsPage::refresh()
{
    refreshQueued_ = false;
    if (!model_ || !state_) {
        return;
    }
    layouts_ = model_->savedData().layouts;
    QList<QUuid> ids;
    ids.reserve(layouts_.size());
    for (const Layout &layout : std::as_const(layouts_)) {
        ids.append(layout.id);
    }
    // One change at a time: a layout's shortcut being saved holds every recorder, the global
    // one too.
    waiting_ = model_->hasPendingShortcutMutation();
    if (ids != shownLayouts_) {
        rebuildLayoutSection(ids);
    }
    global_->setShortcut(model_->settings().globalShortcut);
    global_->setEnabled(!waiting_);
    if (recorders_) {
        for (const auto &[index, place] : recorders_->rows()) {
            follow(place->findChild<ShortcutRecorder *>(), layouts_[index]);
        }
    }

    const std::optional<QString> message = state_->shortcutsPageMessage();
    message_->setMessage(message);
    messageSection_->setVisible(message.has_value());
}

void ShortcutsSettingsPage::follow(ShortcutRecorder *recorder, const Layout &layout) const
{
    recorder->setLabel(layout.name);
    recorder->setShortcut(layout.shortcut);
    recorder->setEnabled(!waiting_);
}

void ShortcutsSettingsPage::rebuildLayoutSection(const QList<QUuid> &ids)
{
    shownLayouts_ = ids;
    recorders_ = nullptr;
    delete layoutSection_;
    layoutSection_ = new FormSection(
        new FormSectionHeader(QStringLiteral("Layout Shortcuts"),
                              QStringLiteral("Give a saved layout its own shortcut.")));
    layoutSection_->setObjectName(QStringLiteral("layout-shortcuts"));
    if (ids.isEmpty()) {
        auto *empty = new PlainLabel(QStringLiteral("Save a layout to give it its own shortcut."));
        empty->setObjectName(QStringLiteral("no-layout-shortcuts"));
        empty->setFont(UiFont::subheadline());
        empty->setTone(ThemeColor::secondary());
        empty->setWordWrap(true);
        layoutSection_->addRow(empty);
    } else {
        LazyRows::Source source;
        source.make = [this](int index) { return layoutPlace(index); };
        // A recording ends when its recorder goes: it stays while it records.
        source.keep = [](QWidget *place) {
            return place->findChild<ShortcutRecorder *>()->isRecording();
        };
        recorders_ = new LazyRows(std::move(source), int(ids.size()));
        layoutSection_->addPlaces(recorders_);
    }
    layoutSectionSlot_->addWidget(layoutSection_);
    if (recorders_) {
        recorders_->fill();
    }
}

QWidget *ShortcutsSettingsPage::layoutPlace(int index)
{
    const Layout &layout = layouts_[index];
    QPointer<SettingsState> target(state_);
    const QUuid id = layout.id;
    auto *recorder = new ShortcutRecorder(
        QString(), std::nullopt,
        [target, id](std::optional<Shortcut> shortcut) {
            if (target) {
                target->changeLayoutShortcut(shortcut, id);
            }
        },
        *environment_.shortcutRecordings, environment_.keyboardLayout);
    recorder->setObjectName(QStringLiteral("layout-shortcut-recorder"));
    follow(recorder, layout);
    return FormSection::place(recorder, index == 0);
}

} // namespace ostrel
