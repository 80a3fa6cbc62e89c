#pragma once

#include "ui/panel/CoordinatorHandle.h"

#include <QWidget>

namespace ostrel {

class SessionUpkeep;
class PanelButton;
struct ViewEnvironment;

// Shown while the program may not read and move windows: what access needs here (a window
// manager that supports EWMH) and "Recheck". There is nothing to grant on X11, so no button asks
// for access or opens a settings pane. It goes away by itself once the model finds the access
// granted. Object name of the button: "recheck-button".
class PermissionBanner : public QWidget {
    Q_OBJECT

public:
    explicit PermissionBanner(const ViewEnvironment &environment, QWidget *parent = nullptr);

private:
    CoordinatorHandle<SessionUpkeep> session_;
    PanelButton *recheck_;
};

} // namespace ostrel
