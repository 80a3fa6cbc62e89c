#pragma once

#include <QWidget>

namespace ostrel {

class PanelActionRow;
struct ViewEnvironment;

// The panel's last part, in every state: "Settings…" (⌘,) and "Quit Ostrel" (⌘Q).
class PanelFooter : public QWidget {
    Q_OBJECT

public:
    explicit PanelFooter(const ViewEnvironment &environment, QWidget *parent = nullptr);

    PanelActionRow *settingsRow() const { return settings_; }
    PanelActionRow *quitRow() const { return quit_; }

private:
    PanelActionRow *settings_;
    PanelActionRow *quit_;
};

} // namespace ostrel
