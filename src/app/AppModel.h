#pragma once

#include "app/AppEnvironment.h"
#include "app/AppSettings.h"
#include "app/CaptureHost.h"
#include "app/EditHost.h"
#include "app/NotificationBag.h"
#include "app/OperationGuard.h"
#include "app/Published.h"
#include "app/RestoreHost.h"
#include "app/RestoreStatus.h"
#include "app/SavedData.h"
#include "app/SessionHost.h"
#include "app/SessionStatus.h"
#include "app/SessionWindows.h"
#include "app/ShortcutHost.h"
#include "app/ShortcutStatus.h"
#include "app/StorageHost.h"
#include "app/StorageStatus.h"
#include "app/WindowRequests.h"
#include "model/AutomationDeferral.h"
#include "model/CurrentDisplay.h"
#include "model/Layout.h"
#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "restore/SessionEligibilityGate.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QUuid>

#include <memory>
#include <optional>

namespace ostrel {

class AutomationService;
class CaptureCoordinator;
class EditCoordinator;
class RestoreCoordinator;
class SessionUpkeep;
class ShortcutCoordinator;
class ShortcutService;
class StorageUpkeep;

namespace test {
class AppModelTestSeam;
}

// The model's operations, one coordinator for each group of them. Each lives exactly as long as
// the model; the views reach the one they use through their environment.
struct AppCoordinators {
    CaptureCoordinator &capture;    // capture and save
    EditCoordinator &edits;         // edits of saved data, automation links, the edit gate
    ShortcutCoordinator &shortcuts; // the hot keys and changing them
    RestoreCoordinator &restores;   // restore, its decisions and undo
    StorageUpkeep &storage;         // the store: opening, backup, reset
    SessionUpkeep &session;         // window access, the login session, remembered windows
};

// The one model object of the program: it holds everything the views show and wires together the
// coordinators that carry out the operations (capture and save, the edits of saved data, the
// shortcuts, restore and undo with their decisions, the upkeep of storage and of the session).
// It lives on the main thread; long work runs on the actors (the store, the window service, the
// restore service) and is awaited there. The published state comes in a few value groups, each
// with its change signal; the model hands each coordinator the groups it keeps, and the
// coordinators ask the model for the rest through their hosts (`RestoreHost`, `StorageHost`, …),
// which the model implements by doing it itself or by asking the coordinator that does. The model
// itself keeps the settings, the selection and the checks every operation makes first (the guard),
// and decides what a settled display setup restores.
//
// Operations refuse at once rather than queue behind a running one: edits return a `Refusal`
// for the view to show inline, or none when done; capture, restore and undo report through
// the published state and, when refused, through `activeError`.
class AppModel : public QObject,
                 private RestoreHost,
                 private StorageHost,
                 private CaptureHost,
                 private EditHost,
                 private ShortcutHost,
                 private SessionHost {
    Q_OBJECT

public:
    explicit AppModel(AppEnvironment environment, QObject *parent = nullptr);
    ~AppModel() override;

    AppModel(const AppModel &) = delete;
    AppModel &operator=(const AppModel &) = delete;

    // --- Published state ----------------------------------------------------------------
    // Read by the views in groups, each with one change signal that fires once for every
    // assignment that really changes the group. Only the model and the coordinator it hands a
    // group to assign it (a test reaches the assignments through `test::AppModelTestSeam`).

    const RestoreStatus &restoreStatus() const { return restoreStatus_.value(); }
    const StorageStatus &storageStatus() const { return storageStatus_.value(); }
    const AppSettings &settings() const { return settings_.value(); }
    const ShortcutStatus &shortcutStatus() const { return shortcutStatus_.value(); }
    const SessionStatus &session() const { return session_.value(); }
    const SavedData &savedData() const { return savedData_.value(); }
    const WindowRequests &windowRequests() const { return windowRequests_.value(); }

    // The layout the layout-details window shows; the panel names it before opening the window.
    void setManageLayoutID(std::optional<QUuid> value);
    // An error alert clears the error only while it is still the one it shows: a newer error
    // stays.
    void dismissActiveError(const QUuid &id);

    // The settings: each assignment also writes its setting ("selectedLayoutID" only when the
    // value really changes, the others on every assignment). The views choose a layout with
    // `selectLayout` and a global shortcut with the shortcut coordinator's `setGlobalShortcut`,
    // which tries it first.
    void setAutomationEnabled(bool value);
    void setRestoreFlashEnabled(bool value);
    void setHighlightColor(HighlightColor value);
    void setAppearance(AppearancePreference value);

    // The displays connected now.
    QList<CurrentDisplay> currentDisplays() const { return displayService_.currentDisplays(); }

    // --- Selection and what the user may do now -----------------------------------------

    std::optional<Layout> selectedLayout() const;
    // Selects a layout that exists; any other identifier changes nothing.
    void selectLayout(const QUuid &id);
    bool canCapture() const;
    bool canRestore() const;
    bool canChooseRestore(const Layout &layout) const;
    bool canUndo() const;

    // --- Operations ---------------------------------------------------------------------

    AppCoordinators coordinators();

signals:
    void restoreStatusChanged();
    void storageStatusChanged();
    void settingsChanged();
    void shortcutStatusChanged();
    void sessionChanged();
    void savedDataChanged();
    void windowRequestsChanged();

private:
    friend class test::AppModelTestSeam;

    // What the coordinators ask of the model.
    OperationGuard guard(const QList<CurrentDisplay> *displays = nullptr) const override;
    void publishRefusal(RefusedCommand command, Obstacle obstacle) override;
    void publishAlert(const QString &title, const QString &message) override;
    void permissionLost() override;
    void setBusy(std::optional<OperationKind> kind) override;
    void deferAutomation(AutomationDeferral deferral) override;
    void publishAutomationNotice(QString notice) override;
    void setSelectedLayoutID(std::optional<QUuid> value) override;
    void assignGlobalShortcut(std::optional<Shortcut> value) override;
    // Passed on to the coordinator that does it.
    void pruneSessionReferences() override;
    void rememberReferences(const QHash<QUuid, WindowReference> &references) override;
    void configureShortcuts() override;
    [[nodiscard]] std::optional<Refusal> beginMutation(const MutationScope &scope) override;
    void endMutation(const MutationScope &scope) override;
    QCoro::Task<bool> storeLoaded() override;
    QCoro::Task<bool> forgetSavedData() override;

    // Publishes (and logs) why a setting did not reach the settings file, or that it did.
    void noteSettingsWrite(const std::optional<QString> &problem);

    // The outside signals that reach the model, each handled on a later turn of the event loop.
    void observeSystemEvents();

    void handleAutomation(const QList<CurrentDisplay> &displays);
    void handleDeferral(AutomationDeferral deferral);
    // The automation triggers dropped without a word: automation off, still starting, or
    // storage unusable.
    bool dropsAutomationSilently() const;

    AppEnvironment environment_;
    DisplayService displayService_;

    // Published (the views' state). Each coordinator writes the groups it keeps (the restore
    // coordinator the restore status, the storage upkeep the storage status and the loaded data,
    // …); the model writes the rest, and the parts of those groups that belong to no one
    // operation (busy for a capture or a reset, what a reset clears).
    Published<RestoreStatus> restoreStatus_;
    Published<StorageStatus> storageStatus_;
    Published<AppSettings> settings_;
    Published<ShortcutStatus> shortcutStatus_;
    Published<SessionStatus> session_;
    Published<SavedData> savedData_;
    Published<WindowRequests> windowRequests_;

    // Made once at construction, in this order.
    std::unique_ptr<ShortcutService> shortcutService_;
    std::unique_ptr<AutomationService> automationService_;
    std::shared_ptr<SessionEligibilityGate> eligibilityGate_;
    NotificationBag notifications_;
    std::unique_ptr<WindowService> windowService_;
    std::unique_ptr<RestoreCoordinator> restores_;
    std::unique_ptr<StorageUpkeep> storage_;
    std::unique_ptr<EditCoordinator> edits_;
    std::unique_ptr<ShortcutCoordinator> shortcuts_;
    std::unique_ptr<CaptureCoordinator> capture_;
    std::unique_ptr<SessionUpkeep> sessionUpkeep_;

    // The windows a capture was made from and the ones the user chose, shared by the restore
    // coordinator and the session upkeep.
    SessionWindows sessionWindows_;
};

} // namespace ostrel
