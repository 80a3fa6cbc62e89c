#pragma once

#include <QWidget>

namespace ostrel {

class PanelActionRow;
struct ViewEnvironment;

// The panel's last part, in every state: "Settings…" (Ctrl+,) and "Quit Ostrel" (Ctrl+Q), named
// "settings-button" and "quit-button".
class PanelFooter : public QWidget {
    Q_OBJECT

public:
    explicit PanelFooter(const ViewEnvironment &environment, QWidget *parent = nullptr);

private:
    PanelActionRow *settings_;
    PanelActionRow *quit_;
};

} // namespace ostrel
