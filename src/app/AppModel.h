#pragma once

#include "app/AppEnvironment.h"
#include "app/DatabaseResetOutcome.h"
#include "app/ManualRestoreContext.h"
#include "app/NotificationBag.h"
#include "app/OperationGuard.h"
#include "app/Refusal.h"
#include "app/StoreWrite.h"
#include "model/AppExclusion.h"
#include "model/AppearancePreference.h"
#include "model/AutomationDeferral.h"
#include "model/CancellationFlag.h"
#include "model/CapturePreview.h"
#include "model/CurrentDisplay.h"
#include "model/HighlightColor.h"
#include "model/Layout.h"
#include "model/MissingDisplay.h"
#include "model/MissingDisplayPrompt.h"
#include "model/MutationScope.h"
#include "model/OperationKind.h"
#include "model/ResolutionRequest.h"
#include "model/RestoreProgress.h"
#include "model/RestoreResult.h"
#include "model/Shortcut.h"
#include "model/ShortcutTarget.h"
#include "model/StorageNotice.h"
#include "model/StorageProblem.h"
#include "model/StorePaths.h"
#include "model/UndoInfo.h"
#include "model/UserFacingError.h"
#include "model/WindowReference.h"
#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "restore/RestoreService.h"
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
struct RestoredWindowFlashTarget;
struct SessionEligibility;

namespace test {
class AppModelTestSeam;
}

// The one model object of the program. It holds everything the views show, and carries out
// capture, save, the edits of saved data, restore and undo with their decisions, automation,
// and the upkeep of storage, permission, session and shortcuts. It lives on the main thread;
// long work runs on the actors (the store, the window service, the restore service) and is
// awaited there. Every published value has a getter and a change signal; only the model assigns
// it, and every assignment emits the signal. The views set the user's settings and dismiss
// notices; everything else changes through the operations.
//
// Operations refuse at once rather than queue behind a running one: edits return a `Refusal`
// for the view to show inline, or none when done; capture, restore and undo report through
// the published state and, when refused, through `activeError`.
class AppModel : public QObject {
    Q_OBJECT

public:
    explicit AppModel(AppEnvironment environment, QObject *parent = nullptr);
    ~AppModel() override;

    AppModel(const AppModel &) = delete;
    AppModel &operator=(const AppModel &) = delete;

    // --- Published state ----------------------------------------------------------------
    // Read by the views; only the model assigns it (a test reaches the assignments through
    // `test::AppModelTestSeam`).

    const QList<Layout> &layouts() const { return layouts_; }
    const QList<AppExclusion> &exclusions() const { return exclusions_; }
    bool permissionTrusted() const { return permissionTrusted_; }
    bool permissionPrompted() const { return permissionPrompted_; }
    std::optional<OperationKind> busy() const { return busy_; }
    const std::optional<RestoreProgress> &progress() const { return progress_; }
    const std::optional<RestoreResult> &lastResult() const { return lastResult_; }
    const std::optional<UndoInfo> &undoInfo() const { return undoInfo_; }
    const std::optional<StorageNotice> &storageNotice() const { return storageNotice_; }
    const std::optional<StorageProblem> &storageProblem() const { return storageProblem_; }
    const std::optional<CapturePreview> &pendingCapture() const { return pendingCapture_; }
    bool isBootstrapping() const { return isBootstrapping_; }
    const std::optional<QString> &shortcutsError() const { return shortcutsError_; }
    const std::optional<Shortcut> &activeGlobalShortcut() const { return activeGlobalShortcut_; }
    const std::optional<QString> &automationNotice() const { return automationNotice_; }
    const std::optional<MissingDisplayPrompt> &missingDisplayPrompt() const
    {
        return missingDisplayPrompt_;
    }
    const std::optional<ResolutionRequest> &resolutionRequest() const { return resolutionRequest_; }
    // The file the last backup wrote.
    const std::optional<QString> &lastBackupURL() const { return lastBackupURL_; }
    const StorePaths &storePaths() const { return storePaths_; }
    const QSet<MutationScope> &pendingMutations() const { return pendingMutations_; }
    bool sessionEligible() const { return sessionEligible_; }
    std::optional<AutomationDeferral> lastAutomationDeferral() const
    {
        return lastAutomationDeferral_;
    }
    const std::optional<UserFacingError> &activeError() const { return activeError_; }
    // The layout the layout-details window shows; the panel names it before opening the window.
    const std::optional<QUuid> &manageLayoutID() const { return manageLayoutID_; }
    void setManageLayoutID(std::optional<QUuid> value);

    // What the user dismisses. An error alert clears the error only while it is still the one
    // it shows: a newer error stays.
    void dismissActiveError(const QUuid &id);
    void dismissStorageNotice();
    void dismissAutomationNotice();

    // The six settings: each assignment also writes its setting ("selectedLayoutID" only when
    // the value really changes, the others on every assignment). The views choose a layout with
    // `selectLayout` and a global shortcut with `setGlobalShortcut`, which tries it first.
    const std::optional<QUuid> &selectedLayoutID() const { return selectedLayoutID_; }
    bool automationEnabled() const { return automationEnabled_; }
    void setAutomationEnabled(bool value);
    bool restoreFlashEnabled() const { return restoreFlashEnabled_; }
    void setRestoreFlashEnabled(bool value);
    HighlightColor highlightColor() const { return highlightColor_; }
    void setHighlightColor(HighlightColor value);
    const std::optional<Shortcut> &globalShortcut() const { return globalShortcut_; }
    AppearancePreference appearance() const { return appearance_; }
    void setAppearance(AppearancePreference value);

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
    // key registers. None on success, else the text to show.
    std::optional<QString> setGlobalShortcut(std::optional<Shortcut> shortcut);
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
    std::optional<QString> applyResolutions(const QHash<QUuid, WindowReference> &choices,
                                            const QSet<QUuid> &skipped);
    void cancelResolution();
    // The candidates that still exist, refreshed, in the given order.
    QCoro::Task<QList<WindowReference>> refreshCandidates(QList<WindowReference> candidates);
    void undoLastRestore();

    // --- Working state the views do not show (read by tests) --------------------------------

    const QHash<QUuid, WindowReference> &sessionReferences() const { return sessionReferences_; }
    const QHash<QUuid, WindowReference> &sessionResolutions() const { return sessionResolutions_; }
    const std::optional<ManualRestoreContext> &activeManualOperation() const;
    bool hasStore() const;
    bool sessionSignalActive() const { return sessionSignalActive_; }
    SessionEligibilityGate &eligibilityGate() { return *eligibilityGate_; }
    QList<CurrentDisplay> currentDisplays() const { return displayService_.currentDisplays(); }
    AutomationService &automationService() { return *automationService_; }
    const std::shared_ptr<CancellationFlag> &cancellation() const;
    // The session's own report alone, before the last session signal is taken into account.
    SessionEligibility currentSessionEligibility() const;

signals:
    void layoutsChanged();
    void exclusionsChanged();
    void permissionTrustedChanged();
    void permissionPromptedChanged();
    void busyChanged();
    void progressChanged();
    void lastResultChanged();
    void undoInfoChanged();
    void storageNoticeChanged();
    void storageProblemChanged();
    void pendingCaptureChanged();
    void isBootstrappingChanged();
    void shortcutsErrorChanged();
    void activeGlobalShortcutChanged();
    void automationNoticeChanged();
    void missingDisplayPromptChanged();
    void resolutionRequestChanged();
    void lastBackupURLChanged();
    void storePathsChanged();
    void pendingMutationsChanged();
    void sessionEligibleChanged();
    void lastAutomationDeferralChanged();
    void manageLayoutIDChanged();
    void activeErrorChanged();
    void selectedLayoutIDChanged();
    void automationEnabledChanged();
    void restoreFlashEnabledChanged();
    void highlightColorChanged();
    void globalShortcutChanged();
    void appearanceChanged();

private:
    friend class test::AppModelTestSeam;
    friend class RestoreCoordinator;
    friend class StorageUpkeep;

    // Assignments of the published state: each emits its change signal.
    void setLayouts(QList<Layout> value);
    void setExclusions(QList<AppExclusion> value);
    void setPermissionTrusted(bool value);
    void setPermissionPrompted(bool value);
    void setBusy(std::optional<OperationKind> value);
    void setProgress(std::optional<RestoreProgress> value);
    void setLastResult(std::optional<RestoreResult> value);
    void setUndoInfo(std::optional<UndoInfo> value);
    void setStorageNotice(std::optional<StorageNotice> value);
    void setStorageProblem(std::optional<StorageProblem> value);
    void setPendingCapture(std::optional<CapturePreview> value);
    void setIsBootstrapping(bool value);
    void setShortcutsError(std::optional<QString> value);
    void setActiveGlobalShortcut(std::optional<Shortcut> value);
    void setAutomationNotice(std::optional<QString> value);
    void setMissingDisplayPrompt(std::optional<MissingDisplayPrompt> value);
    void setResolutionRequest(std::optional<ResolutionRequest> value);
    void setLastBackupURL(std::optional<QString> value);
    void setStorePaths(StorePaths value);
    void setPendingMutations(QSet<MutationScope> value);
    void setSessionEligible(bool value);
    void setLastAutomationDeferral(std::optional<AutomationDeferral> value);
    void setActiveError(std::optional<UserFacingError> value);
    void setSelectedLayoutID(std::optional<QUuid> value);
    void assignGlobalShortcut(std::optional<Shortcut> value);

    // The checks operations make before they start, on the model's state now; the displays are
    // known only to operations that pass the ones they read.
    OperationGuard guard(const QList<CurrentDisplay> *displays = nullptr) const;
    // Shows the alert a refused command shows, if it shows one.
    void publishRefusal(RefusedCommand command, Obstacle obstacle);

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

    void publishAlert(const QString &title, const QString &message);

    void updateSessionEligibility();
    void pruneSessionReferences();
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

    // Published (the views' state).
    QList<Layout> layouts_;
    QList<AppExclusion> exclusions_;
    bool permissionTrusted_ = false;
    bool permissionPrompted_ = false;
    std::optional<OperationKind> busy_;
    std::optional<RestoreProgress> progress_;
    std::optional<RestoreResult> lastResult_;
    std::optional<UndoInfo> undoInfo_;
    std::optional<StorageNotice> storageNotice_;
    std::optional<StorageProblem> storageProblem_;
    std::optional<CapturePreview> pendingCapture_;
    bool isBootstrapping_ = true;
    std::optional<QString> shortcutsError_;
    std::optional<Shortcut> activeGlobalShortcut_;
    std::optional<QString> automationNotice_;
    std::optional<MissingDisplayPrompt> missingDisplayPrompt_;
    std::optional<ResolutionRequest> resolutionRequest_;
    std::optional<QString> lastBackupURL_;
    StorePaths storePaths_;
    QSet<MutationScope> pendingMutations_;
    bool sessionEligible_ = true;
    std::optional<AutomationDeferral> lastAutomationDeferral_;
    std::optional<QUuid> manageLayoutID_;
    std::optional<UserFacingError> activeError_;
    std::optional<QUuid> selectedLayoutID_;
    bool automationEnabled_ = false;
    bool restoreFlashEnabled_ = true;
    HighlightColor highlightColor_ = HighlightColor::blue;
    std::optional<Shortcut> globalShortcut_;
    AppearancePreference appearance_ = AppearancePreference::system;

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
    QHash<QUuid, WindowReference> sessionReferences_;
    QHash<QUuid, WindowReference> sessionResolutions_;
};

} // namespace ostrel
