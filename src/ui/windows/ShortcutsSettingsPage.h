#pragma once

#include "model/Layout.h"
#include "ui/panel/ViewEnvironment.h"

#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QVBoxLayout;

namespace ostrel {

class FormSection;
class LazyRows;
class MessageSlot;
class SettingsState;
class ShortcutRecorder;

// The Shortcuts page of the settings window: the global shortcut, which restores the selected
// layout, and one shortcut per saved layout, each recorded in its own recorder, with the answer
// to the last change below them. While a layout's shortcut is being saved every recorder waits.
// Only the recorders in view or near it exist (LazyRows), however many layouts there are.
//
// Object names: "global-shortcut-recorder"; "layout-shortcuts" with a
// "layout-shortcut-recorder" per layout in the layouts' order, or "no-layout-shortcuts"; and
// "shortcut-message-section", shown only with a message, holding "shortcut-message".
class ShortcutsSettingsPage : public QWidget {
    Q_OBJECT

public:
    ShortcutsSettingsPage(const ViewEnvironment &environment, SettingsState &state,
                          QWidget *parent = nullptr);

private:
    void scheduleRefresh();
    void refresh();
    void rebuildLayoutSection(const QList<QUuid> &ids);
    QWidget *layoutPlace(int index);
    // Shows a layout's name and shortcut, and waits while a shortcut is being saved.
    void follow(ShortcutRecorder *recorder, const Layout &layout) const;

    ViewEnvironment environment_;
    QPointer<AppModel> model_;
    QPointer<SettingsState> state_;
    bool refreshQueued_ = false;

    ShortcutRecorder *global_ = nullptr;
    QVBoxLayout *layoutSectionSlot_ = nullptr;
    FormSection *layoutSection_ = nullptr;
    // The layouts the recorders were made for, in order; none yet before the first refresh.
    std::optional<QList<QUuid>> shownLayouts_;
    // The layouts as last read, for the recorders made as they scroll in.
    QList<Layout> layouts_;
    bool waiting_ = false;
    LazyRows *recorders_ = nullptr;
    QWidget *messageSection_ = nullptr;
    MessageSlot *message_ = nullptr;
};

} // namespace ostrel
