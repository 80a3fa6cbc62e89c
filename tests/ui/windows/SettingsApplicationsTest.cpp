#include "SettingsFixture.h"
#include "Child.h"
#include "AppModelTestSeam.h"

#include "platform/AppIconView.h"
#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/CompactMessage.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/windows/ApplicationPicker.h"
#include "ui/windows/ApplicationsSettingsPage.h"
#include "ui/windows/MessageSlot.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

const QString editor = "/apps/org.example.Editor.desktop";
const QString mail = "/apps/org.example.Mail.desktop";
const QString terminal = "/apps/org.example.Terminal.desktop";
const QString stray = "/somewhere/stray.desktop";

class SettingsApplicationsTest : public SettingsTest {
protected:
    // The row of an excluded application, known by its icon's identifier.
    QWidget *exclusionRow(const QString &bundleID) const
    {
        const QList<QWidget *> rows = page()->findChildren<QWidget *>("exclusion-row");
        for (QWidget *row : rows) {
            const AppIconView *icon = row->findChild<AppIconView *>();
            if (icon && icon->bundleID() == bundleID) {
                return row;
            }
        }
        ADD_FAILURE() << "no row for " << bundleID.toStdString();
        throw std::runtime_error("no row for the application");
    }

    ApplicationsSettingsPage *page() const
    {
        return child<ApplicationsSettingsPage>(view(), "settings-applications");
    }

    void addThroughPicker(const QStringList &names)
    {
        child<PanelButton>(page(), "add-applications")->click();
        settle();
        ApplicationPicker *picker = page()->picker();
        ASSERT_NE(picker, nullptr);
        picker->select(names);
        child<QPushButton>(picker, "application-picker-add")->click();
        settle();
        ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
        settle();
    }

    // What the page answered: the message, or the error's summary and full text.
    QStringList answer() const
    {
        QStringList shownAnswer;
        if (shown(child<QWidget>(page(), "exclusion-message-section"))) {
            shownAnswer << child<PlainLabel>(page(), "exclusion-message")->text();
        }
        if (shown(child<QWidget>(page(), "exclusion-error-section"))) {
            CompactMessage *error = child<MessageSlot>(page(), "exclusion-error")
                                        ->findChild<CompactMessage *>("slot-message");
            shownAnswer << error->summary() << error->message();
        }
        return shownAnswer;
    }

    QStringList excluded() const
    {
        QStringList ids;
        for (const AppExclusion &exclusion : model->savedData().exclusions) {
            ids << exclusion.bundleID;
        }
        return ids;
    }
};

TEST_F(SettingsApplicationsTest, TheOutcomeOfABatch)
{
    struct Case {
        const char *what;
        QStringList before;
        QStringList chosen;
        QStringList answer;
        QStringList excluded;
    };
    const Case cases[] = {
        {"two new",
         {},
         {editor, mail},
         {"2 apps added."},
         {"org.example.Editor", "org.example.Mail"}},
        {"one new", {}, {terminal}, {"1 app added."}, {"org.example.Terminal"}},
        {"already excluded",
         {"org.example.Mail"},
         {mail},
         {"These apps are already excluded."},
         {"org.example.Mail"}},
        {"the same one twice", {}, {editor, editor}, {"1 app added."}, {"org.example.Editor"}},
        {"two new and one excluded",
         {"org.example.Mail"},
         {editor, mail, terminal},
         {"2 apps added."},
         {"org.example.Editor", "org.example.Mail", "org.example.Terminal"}},
        {"no app ID among good ones",
         {},
         {editor, stray, mail},
         {"Couldn’t update excluded applications.",
          "“stray.desktop” has no app ID. Choose another app."},
         {"org.example.Editor", "org.example.Mail"}},
    };
    startSettings();
    open(SettingsView::applications);
    for (const Case &c : cases) {
        for (const QString &id : c.before) {
            ASSERT_EQ(await(model->excludeApp(id, id.section('.', -1))), std::nullopt);
        }
        state->addApplications(c.chosen);
        ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
        settle();
        EXPECT_EQ(answer(), c.answer) << c.what;
        EXPECT_EQ(excluded(), c.excluded) << c.what;
        for (const QString &id : excluded()) {
            ASSERT_EQ(await(model->removeExclusion(id)), std::nullopt);
        }
    }
    EXPECT_EQ(SettingsState::batchMessage(0, 0), "No apps added.");
    EXPECT_EQ(SettingsState::batchMessage(3, 1), "3 apps added.");
}

TEST_F(SettingsApplicationsTest, AModelRefusalNamesTheApplicationOnItsOwnLine)
{
    startSettings();
    open(SettingsView::applications);
    // The first addition waits for the store while a restore starts; the next is refused.
    const std::function<void()> release = holdStore();
    state->addApplications({editor, stray, mail});
    settle();
    EXPECT_TRUE(shown(child<QWidget>(page(), "adding-applications")));
    EXPECT_FALSE(child<PanelButton>(page(), "add-applications")->isEnabled());
    AppModelTestSeam(model).setBusy(OperationKind::restoring);
    release();
    ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
    AppModelTestSeam(model).setBusy(std::nullopt);
    settle();
    EXPECT_EQ(answer(),
              (QStringList{"Couldn’t update excluded applications.",
                           "“stray.desktop” has no app ID. Choose another app.\n"
                           "“Mail” was not added. Wait for the current operation before "
                           "changing exclusions."}));
    EXPECT_EQ(excluded(), QStringList{"org.example.Editor"});
    EXPECT_FALSE(shown(child<QWidget>(page(), "adding-applications")));
}

TEST_F(SettingsApplicationsTest, ThePickerListsInstalledApplicationsAndACancelKeepsTheAnswer)
{
    installed.install("org.example.Nameless", "  ", "/apps/Nameless Tool.desktop");
    startSettings();
    open(SettingsView::applications);
    EXPECT_TRUE(shown(part("no-exclusions")));

    addThroughPicker({"Editor", "Mail"});
    EXPECT_EQ(answer(), QStringList{"2 apps added."});
    EXPECT_EQ(page()->rowNames(), (QStringList{"Editor", "Mail"}));
    EXPECT_FALSE(shown(part("no-exclusions")));
    EXPECT_EQ(page()->picker(), nullptr);

    child<PanelButton>(page(), "add-applications")->click();
    settle();
    ApplicationPicker *picker = page()->picker();
    ASSERT_NE(picker, nullptr);
    QStringList listed;
    for (int i = 0; i < child<QListWidget>(picker, "application-picker-list")->count(); ++i) {
        listed << child<QListWidget>(picker, "application-picker-list")->item(i)->text();
    }
    // An application without a name is listed under its file's name.
    EXPECT_EQ(listed, (QStringList{"Editor", "Mail", "Nameless Tool", "Terminal"}));
    EXPECT_FALSE(child<QPushButton>(picker, "application-picker-add")->isEnabled());
    child<QLineEdit>(picker, "application-picker-filter")->setText("term");
    EXPECT_TRUE(child<QListWidget>(picker, "application-picker-list")->item(0)->isHidden());
    EXPECT_FALSE(child<QListWidget>(picker, "application-picker-list")->item(3)->isHidden());
    picker->select({"Terminal"});
    EXPECT_TRUE(child<QPushButton>(picker, "application-picker-add")->isEnabled());
    child<QPushButton>(picker, "application-picker-cancel")->click();
    settle();
    EXPECT_EQ(page()->picker(), nullptr);
    EXPECT_EQ(installed.identifications(terminal), 0);
    EXPECT_EQ(answer(), QStringList{"2 apps added."});

    // Closing the picker's window is a cancel too.
    child<PanelButton>(page(), "add-applications")->click();
    settle();
    page()->picker()->select({"Terminal"});
    page()->picker()->close();
    settle();
    EXPECT_EQ(installed.identifications(terminal), 0);
    EXPECT_EQ(answer(), QStringList{"2 apps added."});

    addThroughPicker({"Nameless Tool"});
    EXPECT_EQ(page()->rowNames(), (QStringList{"Editor", "Mail", "Nameless Tool"}));
}

TEST_F(SettingsApplicationsTest, ThePickerOpensOverTheSettingsWindow)
{
    startSettings();
    SettingsView *settings = open(SettingsView::applications);
    ASSERT_NE(settings, nullptr);
    // Away from where a window manager puts new windows, but whole on the 800 × 800 screen.
    for (const QPoint at : {QPoint(300, 200), QPoint(0, 0), QPoint(600, 500)}) {
        SCOPED_TRACE(QStringLiteral("%1,%2").arg(at.x()).arg(at.y()).toStdString());
        settings->window()->move(at);
        settle();
        child<PanelButton>(page(), "add-applications")->click();
        settle();
        ApplicationPicker *picker = page()->picker();
        ASSERT_NE(picker, nullptr);
        const QRect over = settings->window()->frameGeometry();
        const QRect placed = picker->frameGeometry();
        const QRect screen = picker->screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(placed)) << placed.x() << "," << placed.y();
        EXPECT_TRUE(over.intersects(placed));
        if (screen.contains(
                QRect(QPoint(), placed.size())
                    .translated(over.center() - QRect(QPoint(), placed.size()).center()))) {
            EXPECT_LE((placed.center() - over.center()).manhattanLength(), 1)
                << "centred over it where the screen allows";
        }
        child<QPushButton>(picker, "application-picker-cancel")->click();
        settle();
    }
}

TEST_F(SettingsApplicationsTest, RemovingClearsTheAnswerAndAPendingRowTurnsItsIndicator)
{
    startSettings();
    open(SettingsView::applications);
    state->addApplications({editor, mail});
    ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
    settle();
    ASSERT_EQ(answer(), QStringList{"2 apps added."});

    const std::function<void()> release = holdStore();
    child<PanelButton>(exclusionRow("org.example.Mail"), "remove-exclusion")->click();
    settle();
    EXPECT_EQ(answer(), QStringList());
    EXPECT_TRUE(
        shown(child<ActivityIndicator>(exclusionRow("org.example.Mail"), "exclusion-indicator")));
    EXPECT_FALSE(
        shown(child<ActivityIndicator>(exclusionRow("org.example.Editor"), "exclusion-indicator")));
    EXPECT_FALSE(child<PanelButton>(page(), "add-applications")->isEnabled());
    EXPECT_FALSE(
        child<PanelButton>(exclusionRow("org.example.Editor"), "remove-exclusion")->isEnabled());
    EXPECT_FALSE(
        child<PanelButton>(exclusionRow("org.example.Mail"), "remove-exclusion")->isEnabled());
    release();
    ASSERT_TRUE(waitUntil([&] { return !model->hasPendingExclusionMutation(); }));
    settle();
    EXPECT_EQ(page()->rowNames(), QStringList{"Editor"});
    EXPECT_TRUE(child<PanelButton>(page(), "add-applications")->isEnabled());
    EXPECT_EQ(answer(), QStringList());

    // Nothing can change the list while the model is busy.
    const std::function<void()> releaseCapture = holdCapture();
    settle();
    EXPECT_FALSE(
        child<PanelButton>(exclusionRow("org.example.Editor"), "remove-exclusion")->isEnabled());
    EXPECT_FALSE(child<PanelButton>(page(), "add-applications")->isEnabled());
    releaseCapture();
}

TEST_F(SettingsApplicationsTest, NamesFromOtherProgramsAreShownAsTheyAre)
{
    installed.install("org.example.Markup", "<b>Bold</b> & Co", "/apps/markup.desktop");
    startSettings();
    open(SettingsView::applications);
    addThroughPicker({"<b>Bold</b> & Co"});
    ASSERT_EQ(page()->rowNames(), QStringList{"<b>Bold</b> & Co"});
    const QLabel *name = page()->findChild<QLabel *>("exclusion-name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "<b>Bold</b> & Co");
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    EXPECT_EQ(rows("SELECT bundle_id, app_name FROM exclusions"),
              QStringList{"org.example.Markup|<b>Bold</b> & Co"});
}

TEST_F(SettingsApplicationsTest, ABatchThatEndsAfterTheWindowClosedShowsInTheNextOne)
{
    startSettings();
    open(SettingsView::applications);
    const std::function<void()> release = holdStore();
    state->addApplications({editor, mail});
    settle();
    close();
    release();
    ASSERT_TRUE(waitUntil([&] { return !state->isAdding(); }));
    open(SettingsView::applications);
    EXPECT_EQ(answer(), QStringList{"2 apps added."});
    EXPECT_EQ(page()->rowNames(), (QStringList{"Editor", "Mail"}));
    EXPECT_FALSE(shown(child<QWidget>(page(), "adding-applications")));
}

} // namespace
} // namespace ostrel::test
