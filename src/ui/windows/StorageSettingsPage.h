#pragma once

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
class StorageSettingsPage : public QWidget {
    Q_OBJECT

public:
    // `confirmReset` asks the user before the reset; the window owns the question.
    StorageSettingsPage(const ViewEnvironment &environment, SettingsState &state,
                        std::function<void()> confirmReset, QWidget *parent = nullptr);

    PanelButton *revealButton() const { return reveal_; }
    PanelButton *backUpButton() const { return backUp_; }
    PanelButton *revealBackupButton() const { return revealBackup_; }
    PanelButton *resetButton() const { return reset_; }
    ActivityIndicator *backupIndicator() const { return backupIndicator_; }
    QWidget *resettingRow() const { return resetting_; }
    PlainLabel *lastBackup() const { return lastBackup_; }
    // The folder's path, in the storage row and in the recovery row.
    PathText *folderPath() const { return folderPath_; }
    PathText *recoveryPath() const { return recoveryPath_; }
    FormSectionHeader *storageHeader() const { return storageHeader_; }
    // The rows of the last backup's and the last reset's answers, shown only with one.
    QWidget *backupMessageRow() const { return backupRow_; }
    MessageSlot *backupError() const { return backupError_; }
    PlainLabel *backupText() const { return backupText_; }
    QWidget *resetMessageRow() const { return resetRow_; }
    MessageSlot *resetError() const { return resetError_; }
    PlainLabel *resetText() const { return resetText_; }

private:
    QWidget *buildStorageSection();
    QWidget *buildRecoverySection();
    QWidget *buildResetSection();
    void scheduleRefresh();
    void refresh();
    void refreshMessages();

    ViewEnvironment environment_;
    QPointer<AppModel> model_;
    QPointer<SettingsState> state_;
    std::function<void()> confirmReset_;
    bool refreshQueued_ = false;

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
