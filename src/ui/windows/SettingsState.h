#pragma once

#include "model/Shortcut.h"
#include "system/InstalledApplications.h"
#include "ui/panel/CoordinatorHandle.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace ostrel {

class AppModel;
class EditCoordinator;
class ShortcutCoordinator;
class StorageUpkeep;
struct ViewEnvironment;

// What the settings window's pages remember between the model's answers: the messages they show
// and the work they started. It outlives the window: a backup, a reset, a shortcut or an
// exclusion change that ends after the window closed lands here, and the window opened again
// shows how it went. The pages read it, call its operations, and redraw on `changed`.
//
// Every operation asks the model and keeps its answer; the model decides whether it may run.
class SettingsState : public QObject {
    Q_OBJECT

public:
    // The environment's installed applications (may be none) identify the applications picked
    // to be left alone; they must outlive this state's work.
    explicit SettingsState(const ViewEnvironment &environment, QObject *parent = nullptr);

    AppModel *model() const;

    // --- Shortcuts ------------------------------------------------------------------------

    // The page's own last answer, absent after a change that went through.
    const std::optional<QString> &shortcutMessage() const { return shortcutMessage_; }
    // What the page's message section shows: its own last answer, else the model's problem with
    // registering the hot keys; absent hides the section.
    std::optional<QString> shortcutsPageMessage() const;
    void changeGlobalShortcut(std::optional<Shortcut> shortcut);
    void changeLayoutShortcut(std::optional<Shortcut> shortcut, QUuid layoutID);

    // --- Applications ---------------------------------------------------------------------

    const std::optional<QString> &exclusionError() const { return exclusionError_; }
    const std::optional<QString> &exclusionMessage() const { return exclusionMessage_; }
    bool isAdding() const { return isAdding_; }
    // Add and every Remove: nothing runs in the model, no batch runs here, no exclusion change
    // is pending.
    bool canChangeExclusions() const;
    // The picker's answer: the files of the chosen applications, one batch; none does nothing.
    void addApplications(const QStringList &locations);
    void removeExclusion(const QString &bundleID);

    // The name an application is excluded under: its own when not blank, else its file's name
    // without the extension.
    static QString applicationName(const InstalledApplication &application,
                                   const QString &location);
    // The outcome of a batch without failures.
    static QString batchMessage(int added, int alreadyExcluded);

    // --- Storage --------------------------------------------------------------------------

    const std::optional<QString> &backupMessage() const { return backupMessage_; }
    bool backupIsError() const { return backupIsError_; }
    bool isBackingUp() const { return isBackingUp_; }
    const std::optional<QString> &resetMessage() const { return resetMessage_; }
    bool resetIsError() const { return resetIsError_; }
    bool resetWasRejected() const { return resetWasRejected_; }
    bool isResetting() const { return isResetting_; }

    // "Back Up Now" is offered: no backup or reset runs here and nothing runs in the model.
    // Pending changes and a storage problem do not count: the model answers those itself.
    bool canBackUp() const;
    bool canResetDatabase() const;
    void backUp();
    // The confirmed reset; nothing while `canResetDatabase` is false.
    void performReset();

signals:
    void changed();

private:
    static QCoro::Task<void> runLayoutShortcut(QPointer<SettingsState> self,
                                               CoordinatorHandle<ShortcutCoordinator> shortcuts,
                                               std::optional<Shortcut> shortcut, QUuid layoutID);
    static QCoro::Task<void> runBatch(QPointer<SettingsState> self, QPointer<AppModel> model,
                                      CoordinatorHandle<EditCoordinator> edits,
                                      QStringList locations);
    static QCoro::Task<void> runRemoval(QPointer<SettingsState> self,
                                        CoordinatorHandle<EditCoordinator> edits, QString bundleID);
    static QCoro::Task<void> runBackup(QPointer<SettingsState> self,
                                       CoordinatorHandle<StorageUpkeep> storage);
    static QCoro::Task<void> runReset(QPointer<SettingsState> self,
                                      CoordinatorHandle<StorageUpkeep> storage);

    QPointer<AppModel> model_;
    CoordinatorHandle<EditCoordinator> edits_;
    CoordinatorHandle<ShortcutCoordinator> shortcuts_;
    CoordinatorHandle<StorageUpkeep> storage_;
    InstalledApplications *installed_;

    std::optional<QString> shortcutMessage_;
    std::optional<QString> exclusionError_;
    std::optional<QString> exclusionMessage_;
    bool isAdding_ = false;
    std::optional<QString> backupMessage_;
    bool backupIsError_ = false;
    bool isBackingUp_ = false;
    std::optional<QString> resetMessage_;
    bool resetIsError_ = false;
    bool resetWasRejected_ = false;
    bool isResetting_ = false;
};

} // namespace ostrel
