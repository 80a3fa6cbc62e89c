#pragma once

#include "ui/panel/ViewEnvironment.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <optional>

class QStackedWidget;

namespace ostrel {

class AboutSettingsPage;
class ApplicationsSettingsPage;
class GeneralSettingsPage;
class PlainLabel;
class SettingsState;
class SettingsTabBar;
class ShortcutsSettingsPage;
class StorageSettingsPage;
class WindowPresenter;

// The settings window's content: five pages (General, Shortcuts, Applications, Storage, About)
// under a row of tabs, General first. The pages keep what they have to say in a `SettingsState`
// that outlives the window, so work that ends after the window closed shows in the next one.
// The window has a fixed size; the pages scroll inside it. It also asks before the reset of all
// saved data, with Cancel as the default answer.
//
// A change of a setting that did not reach the settings file is told between the tabs and the
// pages ("settings-problem"), on every page, until a later change reaches it.
//
// Object names: "settings-tabs" over "settings-pages", which holds "settings-general",
// "settings-shortcuts", "settings-applications", "settings-storage" and "settings-about".
class SettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr int windowWidth = 640;
    static constexpr int windowHeightCap = 750;

    enum Page { general, shortcuts, applications, storage, about };

    SettingsView(const ViewEnvironment &environment, SettingsState &state,
                 QWidget *parent = nullptr);

    // 640 wide; as tall as the main screen's visible height less 100, at most 750 and never below
    // the presenter's floor; 750 without a screen.
    static QSize windowSize(std::optional<double> visibleHeight);

    void showPage(Page page);

    // "Reset Layouts?": the reset runs only when the user chooses "Reset Layouts".
    void confirmReset();
    bool isConfirmingReset() const { return confirmingReset_; }

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;

private:
    static QCoro::Task<void> runConfirmation(QPointer<SettingsView> view,
                                             QPointer<SettingsState> state,
                                             QPointer<WindowPresenter> presenter);

    void refreshSettingsProblem();

    QPointer<WindowPresenter> presenter_;
    QPointer<AppModel> model_;
    QPointer<SettingsState> state_;
    bool confirmingReset_ = false;

    SettingsTabBar *tabs_;
    QWidget *settingsProblem_;
    PlainLabel *settingsProblemText_;
    QStackedWidget *pages_;
    GeneralSettingsPage *general_;
    ShortcutsSettingsPage *shortcuts_;
    ApplicationsSettingsPage *applications_;
    StorageSettingsPage *storage_;
    AboutSettingsPage *about_;
};

// Gives the presenter the settings window's content. The pages' state is made here, once, and
// lives as long as the presenter; `environment` must outlive the presenter's windows.
SettingsState &registerSettingsWindow(WindowPresenter &presenter,
                                      const ViewEnvironment &environment);

} // namespace ostrel
