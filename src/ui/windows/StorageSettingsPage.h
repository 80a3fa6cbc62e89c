#pragma once

#include "ui/panel/CoalescedRefresh.h"
#include "ui/panel/ViewEnvironment.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace ostrel {

class ActivityIndicator;
class FormSectionHeader;
class MessageSlot;
class PanelButton;
class PathText;
class PlainLabel;
class SettingsState;

// The Storage page of the settings window: where the layouts live, a backup on request, the
// storage folder in the file manager, and the reset of every saved layout and setting behind a
// confirmation. The answers to the last backup and the last reset are shown under their rows.
//
// Object names: "reveal-folder", "back-up-now", "backup-indicator", "reveal-backup-folder",
// "reset-layouts", "resetting-layouts", "last-backup", "storage-folder-path",
// "recovery-folder-path", "storage-header", and the answer rows "backup-answer-row" and
// "reset-answer-row" with their "backup-error", "backup-message", "reset-error", "reset-message".
class StorageSettingsPage : public QWidget {
    Q_OBJECT

public:
    // `confirmReset` asks the user before the reset; the window owns the question.
    StorageSettingsPage(const ViewEnvironment &environment, SettingsState &state,
                        std::function<void()> confirmReset, QWidget *parent = nullptr);

private:
    QWidget *buildStorageSection();
    QWidget *buildRecoverySection();
    QWidget *buildResetSection();
    void refresh();
    void refreshMessages();

    ViewEnvironment environment_;
    QPointer<AppModel> model_;
    QPointer<SettingsState> state_;
    std::function<void()> confirmReset_;
    CoalescedRefresh nextRefresh_{this, [this] { refresh(); }};

    FormSectionHeader *storageHeader_ = nullptr;
    PathText *folderPath_ = nullptr;
    PathText *recoveryPath_ = nullptr;
    PanelButton *reveal_ = nullptr;
    PanelButton *backUp_ = nullptr;
    ActivityIndicator *backupIndicator_ = nullptr;
    PlainLabel *lastBackup_ = nullptr;
    QWidget *backupRow_ = nullptr;
    MessageSlot *backupError_ = nullptr;
    PlainLabel *backupText_ = nullptr;
    PanelButton *revealBackup_ = nullptr;
    PanelButton *reset_ = nullptr;
    QWidget *resetting_ = nullptr;
    QWidget *resetRow_ = nullptr;
    MessageSlot *resetError_ = nullptr;
    PlainLabel *resetText_ = nullptr;
};

} // namespace ostrel
