#pragma once

#include "app/ManualRestoreContext.h"
#include "app/Published.h"
#include "app/Refusal.h"
#include "app/RestoreStatus.h"
#include "app/SessionWindows.h"
#include "model/CancellationFlag.h"
#include "model/CurrentDisplay.h"
#include "model/Layout.h"
#include "model/MissingDisplay.h"
#include "model/RestoreResult.h"
#include "model/WindowReference.h"
#include "restore/RestoreService.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

namespace ostrel {

class AppModel;
class AutomationService;
class RestoreHost;
class SessionEligibilityGate;
class WindowService;
struct AppEnvironment;
struct RestoredWindowFlashTarget;

// "Display N" in the numbering of the missing-display prompt, or "Saved display".
QString displayDescription(const QString &displayKey, const QList<DisplaySnapshot> &displays);

// The model's side of a restore and of its undo, start to end: the checks before a pass, the
// missing-display prompt and the window choices that come before or after it, the pass on the
// restore service with its progress and result, and the overlays it shows. It keeps the restore
// status, which the model publishes, and lives exactly as long as that model, so its coroutines
// look at the model before they touch anything after an await.
class RestoreCoordinator {
public:
    struct Links {
        AppModel &model; // read through its public face
        RestoreHost &host;
        Published<RestoreStatus> &status;
        SessionWindows &sessionWindows;
        const AppEnvironment &environment;
        WindowService &windows;
        AutomationService &automation;
        std::shared_ptr<SessionEligibilityGate> eligibility;
    };

    explicit RestoreCoordinator(Links links);
    ~RestoreCoordinator();
    RestoreCoordinator(const RestoreCoordinator &) = delete;
    RestoreCoordinator &operator=(const RestoreCoordinator &) = delete;

    void restoreSelectedLayout();
    // Selects a layout that exists and restores it; any other identifier does nothing.
    void restoreLayout(const QUuid &id);
    // A pass for the operation on these displays; refused without a word while another runs.
    void startRestore(ManualRestoreContext context, QList<CurrentDisplay> displays,
                      bool isAutomation);
    void cancelRestore();
    void confirmMissingDisplays(const QHash<QString, QString> &fallbacks);
    void cancelMissingDisplays();
    void presentResolution();
    [[nodiscard]] std::optional<Refusal>
    applyResolutions(const QHash<QUuid, WindowReference> &choices, const QSet<QUuid> &skipped);
    void cancelResolution();
    // The candidates that still exist, refreshed, in the given order.
    QCoro::Task<QList<WindowReference>> refreshCandidates(QList<WindowReference> candidates);
    void undoLastRestore();

    QCoro::Task<void> publishUndoInfo();
    // Asks the running pass to stop before its next window: any pass, or only a restore or an
    // undo the model is busy with.
    void cancelPass();
    void cancelRestoreOrUndo();
    // Forgets the operation in hand, the undo journal and the markers, after the saved data
    // was erased.
    QCoro::Task<void> forgetEverything();
    // A pass still running would come back to services that are about to go: it is asked to
    // stop and waited for (it stops before its next window).
    void stopAndWait();

    const std::optional<ManualRestoreContext> &activeManualOperation() const
    {
        return activeManualOperation_;
    }
    const std::shared_ptr<CancellationFlag> &cancellation() const { return cancellation_; }

private:
    QCoro::Task<void> runRestore(Layout layout, QList<CurrentDisplay> displays,
                                 QSet<QString> exclusions, RestoreOptions options,
                                 std::shared_ptr<CancellationFlag> flag, bool isAutomation);
    QCoro::Task<void> finishRestore(RestoreResult result, bool isAutomation);
    QCoro::Task<void> runUndo(QSet<QString> exclusions, std::shared_ptr<CancellationFlag> flag);
    QCoro::Task<void> finishUndo(std::optional<RestoreResult> result);
    RestoreService::Progress progressPublisher();
    void requestMissingDisplays(const Layout &layout, const QList<MissingDisplay> &missing,
                                const QList<CurrentDisplay> &displays);
    void closeMissingDisplays();
    void closeResolution();
    void showResolutionWindow();
    void clearMarkers();
    void flashRestoredWindows(const QList<RestoredWindowFlashTarget> &targets);

    AppModel &model_;
    RestoreHost &host_;
    Published<RestoreStatus> &status_;
    SessionWindows &sessionWindows_;
    const AppEnvironment &environment_;
    WindowService &windows_;
    AutomationService &automation_;
    std::shared_ptr<SessionEligibilityGate> eligibility_;
    std::unique_ptr<RestoreService> restoreService_;
    std::shared_ptr<CancellationFlag> cancellation_;
    std::optional<ManualRestoreContext> activeManualOperation_;
    std::optional<QCoro::Task<void>> restoreTask_;
};

} // namespace ostrel
