#pragma once

#include "model/Layout.h"

#include "model/AppearancePreference.h"
#include "model/HighlightColor.h"
#include "ui/panel/ViewEnvironment.h"

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

namespace ostrel {

class FormRowLabel;
class HighlightColorPicker;
class PanelButton;
class PlainLabel;
class SegmentedPicker;
class SymbolView;
class ToggleSwitch;

// The General page of the settings window: the window-access state with a recheck, the
// appearance, the rim around restored windows and its colour, and automatic restores with the
// layouts linked to a display setup. Every control writes its setting to the model at once; the
// page keeps nothing of its own and follows the model.
//
// Object names of the controls: "appearance-picker", "highlight-restored-windows",
// "highlight-color-picker", "restore-automatically".
class GeneralSettingsPage : public QWidget {
    Q_OBJECT

public:
    explicit GeneralSettingsPage(const ViewEnvironment &environment, QWidget *parent = nullptr);

    // "Match the System", "Light", "Dark".
    static QString appearanceLabel(AppearancePreference appearance);
    // "The blue rim shown after a restore."
    static QString colorSubtitle(HighlightColor color);

    // The opacity the colour picker is drawn at.
    qreal colorPickerOpacity() const;
    // The names of the linked layouts shown, in order, each with its description.
    QStringList linkedRows() const;

private:
    QWidget *buildAccessSection();
    QWidget *buildAppearanceSection();
    QWidget *buildFeedbackSection();
    QWidget *buildAutomationSection();
    void scheduleRefresh();
    void refresh();
    void refreshLinked();
    QWidget *linkedRow(int index) const;

    QPointer<AppModel> model_;
    bool refreshQueued_ = false;

    SymbolView *shield_ = nullptr;
    PlainLabel *accessTitle_ = nullptr;
    PlainLabel *accessDetail_ = nullptr;
    SegmentedPicker *appearance_ = nullptr;
    ToggleSwitch *flash_ = nullptr;
    FormRowLabel *colorLabel_ = nullptr;
    HighlightColorPicker *colors_ = nullptr;
    ToggleSwitch *automation_ = nullptr;
    QWidget *noLinked_ = nullptr;
    QWidget *linked_ = nullptr;
    QVBoxLayout *linkedRows_ = nullptr;
    // The linked layouts shown; only the rows in view or near them exist (LazyRows).
    QList<Layout> linkedLayouts_;
};

} // namespace ostrel
