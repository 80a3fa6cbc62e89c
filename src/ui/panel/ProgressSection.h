#pragma once

#include "model/OperationKind.h"
#include "model/RestoreProgress.h"
#include "ui/panel/CoordinatorHandle.h"

#include <QWidget>

#include <optional>

namespace ostrel {

class RestoreCoordinator;
class LineLimitedLabel;
class PanelButton;
class RestoreSpinner;
struct ViewEnvironment;

// A running restore or undo: a spinner, what runs ("Restoring “Work”…", "Undoing…") with the
// count of windows processed for assistive technology, Cancel, and the current step below.
// Object names: "progress-spinner", "progress-title", "cancel-restore-button", "progress-step".
class ProgressSection : public QWidget {
    Q_OBJECT

public:
    explicit ProgressSection(const ViewEnvironment &environment, QWidget *parent = nullptr);

    void setProgress(const RestoreProgress &progress, std::optional<OperationKind> busy);

private:
    CoordinatorHandle<RestoreCoordinator> restores_;
    RestoreSpinner *spinner_;
    LineLimitedLabel *title_;
    PanelButton *cancel_;
    LineLimitedLabel *step_;
};

} // namespace ostrel
