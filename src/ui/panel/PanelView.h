#pragma once

#include "ui/panel/CoalescedRefresh.h"
#include "ui/panel/PanelSectionTree.h"
#include "ui/panel/PanelState.h"
#include "ui/panel/ViewEnvironment.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace ostrel {

class AppModel;
class SessionUpkeep;
class AutomationNoticeSection;
class FirstRunSection;
class LayoutsListSection;
class LoadingSection;
class PanelActions;
class PanelFooter;
class PermissionBanner;
class ProgressSection;
class ResultSection;
class SelectedLayoutSection;
class StorageNoticeSection;
class StorageProblemSection;

// The tray panel, the program's main surface: whether storage and window access are usable, the
// selected layout with Restore, a running pass or the last result, the model's notices, the
// saved layouts, and the footer. It only reads the model and calls its operations; the work that
// must outlive it goes through `PanelActions`.
//
// The model signals each group of published values it changed; the panel takes them all as
// "something changed" and reads the model once on the next turn of the event loop, so its
// derived values (can restore, can capture, the selected layout) are worked out once per turn
// and always from one consistent state.
//
// Object names of the sections: "storage-problem", "permission-banner", "storage-notice",
// "first-run", "selected-layout", "progress-section", "result-section", "automation-notice",
// "layouts-section", "panel-footer".
class PanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 320;

    // `actions` lives as long as the program; the environment's model must be set.
    PanelView(const ViewEnvironment &environment, PanelActions &actions, QWidget *parent = nullptr);
    ~PanelView() override;

    // The sections shown now, top to bottom.
    QList<PanelSection> visibleSections() const;
    QWidget *section(PanelSection section) const { return sections_.value(section); }
    // The state the panel drew last.
    const PanelState &state() const { return state_; }
    // How many times the panel read the model: once per turn of the event loop at most.
    int refreshCount() const { return refreshCount_; }

    // Reads the model and redraws now instead of on the next turn.
    void refreshNow();

    QSize sizeHint() const override;

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent *event) override;

private:
    void addSection(PanelSection section, QWidget *widget, int verticalPadding);
    void followResult();
    void followError();

    ViewEnvironment environment_;
    QPointer<AppModel> model_;
    CoordinatorHandle<SessionUpkeep> session_;
    PanelState state_;
    CoalescedRefresh nextRefresh_{this, [this] { refreshNow(); }};
    int refreshCount_ = 0;
    // The identities of the result and the error last seen, for the announcements.
    bool resultSeen_ = false;
    std::optional<QUuid> resultID_;
    bool errorSeen_ = false;
    std::optional<QUuid> errorID_;

    QHash<PanelSection, QWidget *> sections_;
    LoadingSection *loading_;
    StorageProblemSection *storageProblem_;
    PermissionBanner *permission_;
    StorageNoticeSection *storageNotice_;
    FirstRunSection *firstRun_;
    SelectedLayoutSection *selectedLayout_;
    ProgressSection *progress_;
    ResultSection *result_;
    AutomationNoticeSection *automationNotice_;
    LayoutsListSection *layouts_;
    PanelFooter *footer_;
};

} // namespace ostrel
