#include "SettingsFixture.h"
#include "Child.h"
#include "AppModelTestSeam.h"

#include "ui/panel/CompactMessage.h"
#include "ui/panel/ShortcutRecorder.h"
#include "ui/windows/MessageSlot.h"
#include "ui/windows/ShortcutsSettingsPage.h"

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

constexpr Shortcut commandOptionQ{12, Shortcut::command | Shortcut::option};
constexpr Shortcut controlOptionA{0, Shortcut::control | Shortcut::option};

class SettingsShortcutsTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        addApplication("org.example.Editor", "Editor", {{100, 100, 600, 400}});
    }

    ShortcutsSettingsPage *page() const
    {
        return child<ShortcutsSettingsPage>(view(), "settings-shortcuts");
    }

    ShortcutRecorder *globalRecorder() const
    {
        return child<ShortcutRecorder>(page(), "global-shortcut-recorder");
    }

    // The layouts' recorders, in the order of the layouts.
    QList<ShortcutRecorder *> layoutRecorders() const
    {
        return child<QWidget>(page(), "layout-shortcuts")
            ->findChildren<ShortcutRecorder *>("layout-shortcut-recorder");
    }

    // The message section's text; none while it is hidden.
    std::optional<QString> message() const
    {
        if (!shown(child<QWidget>(page(), "shortcut-message-section"))) {
            return std::nullopt;
        }
        CompactMessage *shownMessage = child<MessageSlot>(page(), "shortcut-message")
                                           ->findChild<CompactMessage *>("slot-message");
        EXPECT_NE(shownMessage, nullptr);
        EXPECT_EQ(shownMessage->summary(), "Couldn’t save the shortcut.");
        return shownMessage ? std::optional<QString>(shownMessage->message()) : std::nullopt;
    }
};

TEST_F(SettingsShortcutsTest, WithoutLayoutsOnlyTheGlobalShortcutIsOffered)
{
    startSettings();
    open(SettingsView::shortcuts);
    EXPECT_TRUE(layoutRecorders().isEmpty());
    EXPECT_TRUE(shown(part("no-layout-shortcuts")));
    EXPECT_EQ(part<QLabel>("no-layout-shortcuts")->text(),
              "Save a layout to give it its own shortcut.");
    EXPECT_EQ(globalRecorder()->label(), "Restore selected layout");
    EXPECT_EQ(message(), std::nullopt);

    state->changeGlobalShortcut(commandOptionQ);
    settle();
    EXPECT_EQ(model->settings().globalShortcut, commandOptionQ);
    EXPECT_EQ(globalRecorder()->shortcut(), commandOptionQ);
    // Remove reports no shortcut through the recorder's own handler.
    close();
    open(SettingsView::shortcuts);
    globalRecorder()->remove();
    settle();
    EXPECT_EQ(model->settings().globalShortcut, std::nullopt);
    EXPECT_EQ(message(), std::nullopt);
}

TEST_F(SettingsShortcutsTest, ThePagesAnswerComesBeforeTheModelsProblemAndSuccessClearsBoth)
{
    startSettings();
    open(SettingsView::shortcuts);
    AppModelTestSeam(model).setShortcutsError(
        QStringLiteral("Shortcuts are unavailable. Restart Ostrel to try again."));
    settle();
    EXPECT_EQ(message(), "Shortcuts are unavailable. Restart Ostrel to try again.");

    const std::function<void()> release = holdCapture();
    state->changeGlobalShortcut(commandOptionQ);
    release();
    settle();
    EXPECT_EQ(message(), "Wait for the current operation before changing shortcuts.");

    // The page's answer outlives the window.
    close();
    open(SettingsView::shortcuts);
    EXPECT_EQ(message(), "Wait for the current operation before changing shortcuts.");

    state->changeGlobalShortcut(commandOptionQ);
    settle();
    EXPECT_EQ(model->shortcutStatus().shortcutsError, std::nullopt);
    EXPECT_EQ(message(), std::nullopt);
}

TEST_F(SettingsShortcutsTest, ARegistrationFailureIsShownUntilALaterChangeSucceeds)
{
    startSettings();
    const Layout desk = saveCurrentWindows("Desk");
    open(SettingsView::shortcuts);
    ASSERT_EQ(layoutRecorders().size(), 1);
    EXPECT_EQ(layoutRecorders()[0]->label(), "Desk");

    hotKeys.refuse(controlOptionA.keyCode, controlOptionA.modifiers);
    state->changeLayoutShortcut(controlOptionA, desk.id);
    ASSERT_TRUE(waitUntil([&] { return state->shortcutMessage().has_value(); }));
    settle();
    const std::optional<QString> refused = message();
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(refused->endsWith(" is in use or reserved. Choose another shortcut."))
        << refused->toStdString();
    EXPECT_EQ(model->shortcutStatus().shortcutsError, refused);
    EXPECT_EQ(model->layout(desk.id)->shortcut, std::nullopt);

    hotKeys.allow(controlOptionA.keyCode, controlOptionA.modifiers);
    state->changeLayoutShortcut(controlOptionA, desk.id);
    ASSERT_TRUE(waitUntil([&] { return model->layout(desk.id)->shortcut == controlOptionA; }));
    settle();
    EXPECT_EQ(message(), std::nullopt);
    EXPECT_EQ(layoutRecorders()[0]->shortcut(), controlOptionA);
}

TEST_F(SettingsShortcutsTest, EveryRecorderWaitsWhileALayoutsShortcutIsSaved)
{
    startSettings();
    const Layout desk = saveCurrentWindows("Desk");
    saveCurrentWindows("Couch");
    ASSERT_EQ(await(model->setLayoutShortcut(controlOptionA, desk.id)), std::nullopt);
    open(SettingsView::shortcuts);
    const QList<ShortcutRecorder *> recorders = layoutRecorders();
    ASSERT_EQ(recorders.size(), 2);
    EXPECT_EQ(recorders[0]->shortcut(), controlOptionA);

    const std::function<void()> release = holdStore();
    recorders[0]->remove();
    settle();
    ASSERT_TRUE(model->hasPendingShortcutMutation());
    EXPECT_FALSE(globalRecorder()->isEnabled());
    for (ShortcutRecorder *recorder : layoutRecorders()) {
        EXPECT_FALSE(recorder->isEnabled()) << recorder->label().toStdString();
    }
    release();
    ASSERT_TRUE(waitUntil([&] { return !model->hasPendingShortcutMutation(); }));
    settle();
    EXPECT_TRUE(globalRecorder()->isEnabled());
    for (ShortcutRecorder *recorder : layoutRecorders()) {
        EXPECT_TRUE(recorder->isEnabled()) << recorder->label().toStdString();
    }
    EXPECT_EQ(layoutRecorders()[0]->shortcut(), std::nullopt);
    EXPECT_EQ(model->layout(desk.id)->shortcut, std::nullopt);
    EXPECT_EQ(message(), std::nullopt);
}

} // namespace
} // namespace ostrel::test
