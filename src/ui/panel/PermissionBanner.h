#pragma once

#include <QPointer>
#include <QWidget>

namespace ostrel {

class AppModel;
class PanelButton;
struct ViewEnvironment;

// Shown while the program may not read and move windows: the ask, "Enable Access" and
// "Recheck". It goes away by itself once the model finds the access granted. Object names:
// "enable-access-button", "recheck-button".
class PermissionBanner : public QWidget {
    Q_OBJECT

public:
    explicit PermissionBanner(const ViewEnvironment &environment, QWidget *parent = nullptr);

private:
    QPointer<AppModel> model_;
    PanelButton *enable_;
    PanelButton *recheck_;
};

} // namespace ostrel
