#pragma once

#include "model/Layout.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QVBoxLayout;

namespace ostrel {

class AppIconProvider;
class AppModel;
class KeyboardLayoutObserver;
class LineLimitedLabel;
class PanelButton;
class RestoreSpinner;
class ShortcutBadge;
class TrayLayoutIcons;
struct PanelState;
struct ViewEnvironment;

// The top of the panel: the selected layout (its icons, name, summary and own shortcut) with
// the Restore button, whose help and accessible name say at every moment why it can or cannot
// be pressed; or a short hint when nothing is selected.
//
// Object names: "selected-layout-row" with "selected-layout-icons", "selected-layout-name",
// "selected-layout-summary", "selected-layout-badge", and "restore-button" holding
// "restore-spinner".
class SelectedLayoutSection : public QWidget {
    Q_OBJECT

public:
    explicit SelectedLayoutSection(const ViewEnvironment &environment, QWidget *parent = nullptr);

    void setState(const PanelState &state);

private:
    QPointer<AppModel> model_;
    KeyboardLayoutObserver *keyboardLayout_;
    AppIconProvider *appIcons_;
    QWidget *noSelection_;
    QWidget *layoutRow_;
    QHBoxLayout *rowLayout_;
    TrayLayoutIcons *icons_ = nullptr;
    LineLimitedLabel *name_;
    // One line; ends with "…" when the Restore button, with the global shortcut written in it,
    // leaves it too little room.
    LineLimitedLabel *summary_;
    QWidget *badgeRow_;
    ShortcutBadge *badge_ = nullptr;
    PanelButton *restore_;
    RestoreSpinner *spinner_;
    std::optional<QList<WindowEntry>> iconEntries_;
};

} // namespace ostrel
