#include "SettingsFixture.h"
#include "Child.h"
#include "Screenshots.h"

#include "ui/panel/HighlightColorPicker.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/SegmentedPicker.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Theme.h"
#include "ui/panel/ToggleSwitch.h"
#include "ui/windows/DecisionWindows.h"
#include "ui/windows/GeneralSettingsPage.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QSettings>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace ostrel::test {
namespace {

QString storedSetting(const QString &key)
{
    return QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")).value(key).toString();
}

// Runs a control's one accessible action, as a screen reader or the outside test does: checking
// a radio button or a check box is no click.
void act(QWidget *control)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(accessible, nullptr);
    QAccessibleActionInterface *actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_FALSE(actions->actionNames().isEmpty());
    actions->doAction(actions->actionNames().first());
}

class SettingsGeneralTest : public SettingsTest {
protected:
    GeneralSettingsPage *page() const
    {
        return child<GeneralSettingsPage>(view(), "settings-general");
    }
    SymbolView *shield() const { return part<SymbolView>("access-shield"); }
    QString accessTitle() const { return part<QLabel>("access-title")->text(); }
    bool accessDetailShown() const { return shown(part<QLabel>("access-detail")); }
    QStringList subtitles() const
    {
        QStringList texts;
        for (const QLabel *subtitle : page()->findChildren<QLabel *>("form-row-subtitle")) {
            texts.append(subtitle->text());
        }
        return texts;
    }
};

TEST_F(SettingsGeneralTest, TheAccessRowFollowsTheTrustAndRechecks)
{
    startSettings();
    open();
    EXPECT_EQ(child<SettingsTabBar>(view(), "settings-tabs")->currentIndex(),
              int(SettingsView::general));
    EXPECT_EQ(shield()->name(), "checkmark.shield.fill");
    EXPECT_EQ(shield()->colour(), ThemeColor::success());
    EXPECT_EQ(accessTitle(), "Access granted");
    EXPECT_FALSE(accessDetailShown());
    EXPECT_TRUE(shown(part("access-recheck")));
    // On X11 there is no settings pane to open and nothing to ask for: Recheck is all there is.
    EXPECT_EQ(page()->findChild<QWidget *>("access-open-settings"), nullptr);
    EXPECT_EQ(page()->findChildren<PanelButton *>().size(), 1);

    // The desktop takes the access away; "Recheck" reads it again without asking.
    desktop.setTrusted(false);
    part<PanelButton>("access-recheck")->click();
    ASSERT_TRUE(waitUntil([&] { return !model->session().permissionTrusted; }));
    settle();
    EXPECT_EQ(shield()->name(), "exclamationmark.shield.fill");
    EXPECT_EQ(shield()->colour(), ThemeColor::warning());
    EXPECT_EQ(accessTitle(), "Access needed");
    EXPECT_TRUE(accessDetailShown());
    EXPECT_EQ(part<QLabel>("access-detail")->text(),
              "Access means a window manager that supports EWMH is running.");
    EXPECT_TRUE(part("access-recheck")->isEnabled());
    EXPECT_EQ(accessibilitySettingsOpened, 0);
}

TEST_F(SettingsGeneralTest, TheAppearanceIsStoredAndRepaintsOpenWindowsAtOnce)
{
    startSettings();
    registerDecisionWindows(*presenter, settingsEnvironment());
    presenter->showChooser();
    QWidget *chooser =
        presenter->window(QString(WindowID::chooser))->findChild<QWidget *>("chooser-window");
    ASSERT_NE(chooser, nullptr);
    open();
    SegmentedPicker *picker = child<SegmentedPicker>(page(), "appearance-picker");
    ASSERT_EQ(picker->count(), 3);
    EXPECT_EQ(child<QRadioButton>(picker, "segment-0")->text(), "Match the System");
    EXPECT_EQ(child<QRadioButton>(picker, "segment-1")->text(), "Light");
    EXPECT_EQ(child<QRadioButton>(picker, "segment-2")->text(), "Dark");
    EXPECT_EQ(picker->accessibleName(), "Appearance");
    // 330 wide, or wider where a label needs it: every label shows whole.
    EXPECT_GE(picker->width(), 330);
    for (QRadioButton *segment : picker->findChildren<QRadioButton *>()) {
        EXPECT_GE(segment->width(), segment->fontMetrics().horizontalAdvance(segment->text()))
            << segment->text().toStdString();
    }
    EXPECT_EQ(picker->currentIndex(), 0);

    child<QRadioButton>(picker, "segment-2")->click();
    EXPECT_EQ(model->settings().appearance, AppearancePreference::dark);
    EXPECT_EQ(storedSetting("appearance"), "dark");
    EXPECT_TRUE(Theme::isDark(view()->palette()));
    EXPECT_TRUE(Theme::isDark(chooser->palette()));

    child<QRadioButton>(picker, "segment-1")->click();
    EXPECT_EQ(storedSetting("appearance"), "light");
    EXPECT_FALSE(Theme::isDark(view()->palette()));
    EXPECT_FALSE(Theme::isDark(chooser->palette()));

    // A window opened later shows the stored choice.
    close();
    open();
    EXPECT_EQ(child<SegmentedPicker>(page(), "appearance-picker")->currentIndex(), 1);

    // Assistive technology chooses too; the model's own change only shows.
    act(child<QRadioButton>(child<SegmentedPicker>(page(), "appearance-picker"), "segment-2"));
    EXPECT_EQ(storedSetting("appearance"), "dark");
    model->setAppearance(AppearancePreference::system);
    settle();
    EXPECT_EQ(child<SegmentedPicker>(page(), "appearance-picker")->currentIndex(), 0);
    EXPECT_EQ(storedSetting("appearance"), "system");
}

TEST_F(SettingsGeneralTest, TheRimSwitchDimsTheColourPickerWhichStillNamesItsColour)
{
    startSettings();
    open();
    ASSERT_NE(child<HighlightColorPicker>(page(), "highlight-color-picker"), nullptr);
    EXPECT_TRUE(child<ToggleSwitch>(page(), "highlight-restored-windows")->isChecked());
    EXPECT_TRUE(child<HighlightColorPicker>(page(), "highlight-color-picker")->isEnabled());
    EXPECT_EQ(page()->colorPickerOpacity(), 1.0);

    child<QAbstractButton>(page(), "highlight-color-graphite")->click();
    settle();
    EXPECT_EQ(model->settings().highlightColor, HighlightColor::graphite);
    EXPECT_EQ(storedSetting("highlightColor"), "graphite");
    EXPECT_TRUE(child<QAbstractButton>(page(), "highlight-color-graphite")->isChecked());
    EXPECT_FALSE(child<QAbstractButton>(page(), "highlight-color-blue")->isChecked());
    EXPECT_TRUE(subtitles().contains("The graphite rim shown after a restore."));

    child<ToggleSwitch>(page(), "highlight-restored-windows")->click();
    settle();
    EXPECT_FALSE(model->settings().restoreFlashEnabled);
    EXPECT_EQ(storedSetting("restoreFlashEnabled"), "false");
    EXPECT_FALSE(child<HighlightColorPicker>(page(), "highlight-color-picker")->isEnabled());
    EXPECT_DOUBLE_EQ(page()->colorPickerOpacity(), 0.45);
    child<QAbstractButton>(page(), "highlight-color-red")->click();
    EXPECT_EQ(model->settings().highlightColor, HighlightColor::graphite);
    settle();
    EXPECT_TRUE(subtitles().contains("The graphite rim shown after a restore."));
    EXPECT_TRUE(child<QAbstractButton>(page(), "highlight-color-graphite")->isChecked());
}

// A setting that could not be written is said on every page, above it, until a later change
// reaches the file: it used to be lost without a word when the program ended.
TEST_F(SettingsGeneralTest, ASettingThatCannotBeSavedIsSaidOnEveryPageUntilOneIs)
{
    startSettings();
    open();
    const QString file = QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")).fileName();
    const QByteArray name = QFile::encodeName(file);
    EXPECT_FALSE(shown(part("settings-problem")));

    ::remove(name.constData());
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
    child<ToggleSwitch>(page(), "highlight-restored-windows")->click();
    settle();
    const QString problem =
        QStringLiteral("The change holds until Ostrel quits, but it couldn’t be saved in “%1”: it "
                       "is not a regular file.")
            .arg(file);
    EXPECT_FALSE(model->settings().restoreFlashEnabled);
    EXPECT_EQ(model->storageStatus().settingsProblem, problem);
    EXPECT_TRUE(shown(part("settings-problem")));
    EXPECT_EQ(part<QLabel>("settings-problem-text")->text(), problem);
    renderToPng(view(), "settings-problem");
    view()->showPage(SettingsView::shortcuts);
    settle();
    EXPECT_TRUE(shown(part("settings-problem")));

    ASSERT_EQ(::remove(name.constData()), 0);
    view()->showPage(SettingsView::general);
    settle();
    child<ToggleSwitch>(page(), "highlight-restored-windows")->click();
    settle();
    EXPECT_EQ(model->storageStatus().settingsProblem, std::nullopt);
    EXPECT_FALSE(shown(part("settings-problem")));
    EXPECT_EQ(storedSetting("restoreFlashEnabled"), "true");
}

TEST_F(SettingsGeneralTest, LinkedLayoutsAreThoseWithASignatureWhateverTheirSwitch)
{
    startSettings();
    addApplication("org.example.Editor", "Editor", {{100, 100, 600, 400}});
    open();
    EXPECT_FALSE(child<ToggleSwitch>(page(), "restore-automatically")->isChecked());
    EXPECT_TRUE(shown(part("no-linked-layouts")));
    EXPECT_EQ(part<QLabel>("no-linked-layouts")->text(), "No layouts linked yet.");

    // The switch alone links nothing. Assistive technology turns it on, as a click does.
    act(child<ToggleSwitch>(page(), "restore-automatically"));
    settle();
    EXPECT_TRUE(model->settings().automationEnabled);
    EXPECT_EQ(storedSetting("automationEnabled"), "true");
    child<ToggleSwitch>(page(), "restore-automatically")->click();
    settle();
    EXPECT_FALSE(model->settings().automationEnabled);
    child<ToggleSwitch>(page(), "restore-automatically")->click();
    settle();
    EXPECT_TRUE(model->settings().automationEnabled);
    EXPECT_TRUE(shown(part("no-linked-layouts")));

    const Layout here = saveCurrentWindows("Here <b>&amp;</b>");
    saveCurrentWindows("Unlinked");
    const Layout elsewhere = saveCurrentWindows("Elsewhere");
    ASSERT_EQ(await(model->associateAutomation(here.id)), std::nullopt);
    // Linked on another setup, then its own switch turned off: still listed, by its signature.
    execute(
        QStringLiteral(
            "UPDATE layouts SET automation_enabled = 0, automation_topology_signature = 'other' "
            "WHERE id = '%1'")
            .arg(elsewhere.id.toString(QUuid::WithoutBraces).toUpper()));
    // A rename loads the layouts again.
    ASSERT_EQ(await(model->renameLayout(elsewhere.id, "Away")), std::nullopt);
    model->setAutomationEnabled(false);
    settle();
    EXPECT_FALSE(shown(part("no-linked-layouts")));
    EXPECT_EQ(page()->linkedRows(),
              (QStringList{"Here <b>&amp;</b> · Linked to these displays",
                           "Away · Linked to another display setup"}));
    const QLabel *name = page()->findChild<QLabel *>("linked-layout-name");
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
}

} // namespace
} // namespace ostrel::test
