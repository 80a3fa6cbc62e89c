#pragma once

#include "app/AppEnvironment.h"
#include "app/AppSettings.h"
#include "app/DatabaseResetOutcome.h"
#include "app/NotificationBag.h"
#include "app/OperationGuard.h"
#include "app/Published.h"
#include "app/Refusal.h"
#include "app/RestoreHost.h"
#include "app/RestoreStatus.h"
#include "app/SavedData.h"
#include "app/SessionStatus.h"
#include "app/SessionWindows.h"
#include "app/ShortcutStatus.h"
#include "app/StorageHost.h"
#include "app/StorageStatus.h"
#include "app/StoreWrite.h"
#include "app/WindowRequests.h"
#include "model/AutomationDeferral.h"
#include "model/CapturePreview.h"
#include "model/CurrentDisplay.h"
#include "model/Layout.h"
#include "model/ShortcutTarget.h"
#include "model/WindowReference.h"
#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "restore/SessionEligibilityGate.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace ostrel {

class AutomationService;
class LayoutStore;
class RestoreCoordinator;
class ShortcutService;
class StorageUpkeep;
struct SessionEligibility;

namespace test {
class AppModelTestSeam;
}

// The one model object of the program. It holds everything the views show, and carries out
// capture, save, the edits of saved data, restore and undo with their decisions, automation,
// and the upkeep of storage, permission, session and shortcuts. It lives on the main thread;
// long work runs on the actors (the store, the window service, the restore service) and is
// awaited there. The published state comes in a few value groups, each with its change signal;
// the model hands the restore coordinator and the storage upkeep the groups they keep, and they
// ask the model for the rest through `RestoreHost` and `StorageHost`. The views set the user's
// settings and dismiss notices; everything else changes through the operations.
//
// Operations refuse at once rather than queue behind a running one: edits return a `Refusal`
// for the view to show inline, or none when done; capture, restore and undo report through
// the published state and, when refused, through `activeError`.
class AppModel : public QObject, private RestoreHost, private StorageHost {
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

    // What the user dismisses. An error alert clears the error only while it is still the one
    // it shows: a newer error stays.
    void dismissActiveError(const QUuid &id);
    void dismissStorageNotice();
    void dismissAutomationNotice();

    // The settings: each assignment also writes its setting ("selectedLayoutID" only when the
    // value really changes, the others on every assignment). The views choose a layout with
    // `selectLayout` and a global shortcut with `setGlobalShortcut`, which tries it first.
    void setAutomationEnabled(bool value);
    void setRestoreFlashEnabled(bool value);
    void setHighlightColor(HighlightColor value);
    void setAppearance(AppearancePreference value);

    // The displays connected now.
    QList<CurrentDisplay> currentDisplays() const { return displayService_.currentDisplays(); }

    // --- Derived state, lookups and selection -------------------------------------------

    std::optional<Layout> selectedLayout() const;
    bool hasPendingExclusionMutation() const;
    bool hasPendingShortcutMutation() const;
    bool canCapture() const;
    bool canRestore() const;
    bool canChooseRestore(const Layout &layout) const;
    bool canUndo() const;
    QSet<QString> excludedBundleIDs() const;
    std::optional<Layout> layout(const QUuid &id) const;
    // The layout that already bears the name, ignoring letter case and surrounding blanks.
    std::optional<Layout> layoutNamed(const QString &name) const;
    // Selects a layout that exists; any other identifier changes nothing.
    void selectLayout(const QUuid &id);
    QHash<QUuid, Shortcut> perLayoutShortcuts() const;

    // --- Storage --------------------------------------------------------------------------

    // Opens the store and loads everything; a second call while one runs returns at once.
    // Never throws: a failure becomes `storageProblem`.
    QCoro::Task<void> bootstrap();
    void retryStorage();
    void revealStorageFolder();
    // Writes a verified copy of the database as the backup, or refuses with the reason.
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> backupNow();
    // Erases all saved data and settings, after the settings window's own confirmation, and
    // returns the program to its first-launch state with the store still open.
    QCoro::Task<DatabaseResetOutcome> resetDatabase();

    // --- Permission and session -----------------------------------------------------------

    QCoro::Task<void> refreshPermission(bool prompt);
    void requestAccessibility();
    // Opens the desktop's settings for window access where it has them; nothing on X11.
    void openAccessibilitySettings();
    // The panel appeared or the program became active: trust, undo information, session,
    // remembered windows. Loads nothing from the store.
    QCoro::Task<void> refresh();

    // --- Capture and save -----------------------------------------------------------------

    QCoro::Task<bool> beginSave();
    void discardPendingCapture(const QUuid &id);
    void removePendingEntry(const QUuid &entryID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> savePendingLayout(QString name,
                                                                        bool replaceExisting);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> replaceLayoutWithCurrentWindows(QUuid id);

    // --- Edits of saved data ----------------------------------------------------------------

    [[nodiscard]] QCoro::Task<std::optional<Refusal>> excludeApp(QString bundleID, QString appName);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> removeExclusion(QString bundleID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> removeEntry(QUuid layoutID, QUuid entryID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> renameLayout(QUuid id, QString name);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> deleteLayout(QUuid id);

    // --- Automation links ---------------------------------------------------------------------

    [[nodiscard]] QCoro::Task<std::optional<Refusal>> associateAutomation(QUuid layoutID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> clearAutomation(QUuid layoutID);
    QString automationDescription(const Layout &layout) const;

    // --- Shortcuts ----------------------------------------------------------------------------

    // Tries the new global shortcut against the system first and keeps it only when every hot
    // key registers; refuses with the text to show.
    [[nodiscard]] std::optional<Refusal> setGlobalShortcut(std::optional<Shortcut> shortcut);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>>
    setLayoutShortcut(std::optional<Shortcut> shortcut, QUuid layoutID);

    // --- Restore, decisions and undo ----------------------------------------------------------

    void restoreSelectedLayout();
    void restoreLayout(const QUuid &id);
    void cancelRestore();
    void confirmMissingDisplays(const QHash<QString, QString> &fallbacks);
    void cancelMissingDisplays();
    // "Display N" in the numbering of the missing-display prompt, or "Saved display".
    static QString displayDescription(const QString &displayKey,
                                      const QList<DisplaySnapshot> &displays);
    void presentResolution();
    [[nodiscard]] std::optional<Refusal>
    applyResolutions(const QHash<QUuid, WindowReference> &choices, const QSet<QUuid> &skipped);
    void cancelResolution();
    // The candidates that still exist, refreshed, in the given order.
    QCoro::Task<QList<WindowReference>> refreshCandidates(QList<WindowReference> candidates);
    void undoLastRestore();

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
    void deferAutomation(AutomationDeferral deferral) override;
    void publishAutomationNotice(QString notice) override;
    void pruneSessionReferences() override;
    QCoro::Task<bool> storeLoaded() override;

    void setSelectedLayoutID(std::optional<QUuid> value);
    void assignGlobalShortcut(std::optional<Shortcut> value);
    void setPermissionTrusted(bool value);
    // Publishes (and logs) why a setting did not reach the settings file, or that it did.
    void noteSettingsWrite(const std::optional<QString> &problem);

    // The common edit gate: none lets the edit go ahead with its scope now pending.
    [[nodiscard]] std::optional<Refusal> beginMutation(const MutationScope &scope);
    void endMutation(const MutationScope &scope);

    // One store write behind the gate, then a reload of what it changed; the scope ends on
    // every path. A failed write refuses with the error's text.
    [[nodiscard]] QCoro::Task<std::optional<Refusal>>
    storeEdit(MutationScope scope, StoreWrite write, StoreReload reload);
    std::optional<Refusal> exclusionChecks() const;

    // Registers the hot keys from the model's state (none while a shortcut is recorded).
    void configureShortcuts();
    void handleShortcut(const ShortcutTarget &target);
    void observeSystemEvents();
    void sessionWentAway();
    void sessionCameBack();
    void handleScreenParametersChanged();
    void handleTrustChanged();
    void cancelActiveWorkForSessionChange();

    void handleAutomation(const QList<CurrentDisplay> &displays);
    void handleDeferral(AutomationDeferral deferral);
    // The automation triggers dropped without a word: automation off, still starting, or
    // storage unusable.
    bool dropsAutomationSilently() const;

    // The session's own report alone, before the last session signal is taken into account.
    SessionEligibility currentSessionEligibility() const;
    void updateSessionEligibility();
    QCoro::Task<void> revalidateSessionReferences();
    void rememberReferences(const QHash<QUuid, WindowReference> &references);

    // The capture of the windows open now, written as a new layout or over the one of the same
    // name; returns the saved layout's identifier.
    QCoro::Task<QUuid> writeCapture(std::shared_ptr<LayoutStore> store, CapturePreview preview,
                                    std::optional<Layout> existing, QString name);
    QCoro::Task<CapturePreview> captureOver(std::shared_ptr<LayoutStore> store, QUuid id);
    QCoro::Task<QList<Layout>> writeShortcut(std::shared_ptr<LayoutStore> store, QUuid layoutID,
                                             std::optional<Shortcut> shortcut, bool &written);
    QCoro::Task<void> clearAfterDatabaseReset(std::optional<QString> warning);

    // The trust read without a prompt, then the undo information; false when the model went
    // away meanwhile.
    QCoro::Task<bool> refreshPermissionAndUndoInfo();

    AppEnvironment environment_;
    DisplayService displayService_;

    // Published (the views' state). The restore coordinator writes the restore status and the
    // storage upkeep the storage status and the loaded data; the model writes the rest, and
    // the parts of those groups that its own operations (capture, save, reset) change.
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

    // Working state.
    bool sessionSignalActive_ = true;
    SessionWindows sessionWindows_;
};

} // namespace ostrel
