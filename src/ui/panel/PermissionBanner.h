#pragma once

#include <QPointer>
#include <QWidget>

namespace ostrel {

class AppModel;
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
    QPointer<AppModel> model_;
    PanelButton *recheck_;
};

} // namespace ostrel
