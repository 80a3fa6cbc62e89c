#include "UiTest.h"

#include "model/ShortcutFormatter.h"
#include "ui/panel/LiveShortcutBadge.h"
#include "ui/panel/ShortcutBadge.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

class BadgesTest : public test::UiTest {};

TEST_F(BadgesTest, ABadgeRelabelsWhenTheKeyboardLayoutChanges)
{
    ShortcutBadge badge(Shortcut{12, Shortcut::command | Shortcut::shift}, keyboardObserver.get());
    EXPECT_EQ(badge.text(), "Shift+Super+Q");
    EXPECT_EQ(badge.accessibleName(), "Shortcut Shift+Super+Q");

    keyboardLayout.switchLayout({{12, QStringLiteral("a")}});
    ASSERT_TRUE(test::waitUntil([&] { return badge.text() == "Shift+Super+A"; }));
    EXPECT_EQ(badge.accessibleName(), "Shortcut Shift+Super+A");

    // A key with no label anywhere reads as its code, and the badge grows for it.
    badge.setShortcut(Shortcut{12, Shortcut::control});
    const int narrow = badge.sizeHint().width();
    badge.setShortcut(Shortcut{0x7f, Shortcut::control});
    EXPECT_EQ(badge.text(), QStringLiteral("Ctrl+") + ShortcutFormatter::keyName(0x7f, keyLabels));
    EXPECT_GT(badge.sizeHint().width(), narrow);
}

TEST_F(BadgesTest, TheLiveBadgeSaysWhatWasPressedAndWhetherItCanBeSaved)
{
    struct Case {
        const char *text;
        bool valid;
        bool risky;
        bool reserved;
        bool live;
        const char *label;
    };
    for (const Case c : {
             Case{"Ctrl+Alt+K", true, false, false, true, "New shortcut Ctrl+Alt+K"},
             Case{"Ctrl+Alt+K", true, false, true, true, "New shortcut Ctrl+Alt+K"},
             Case{"Shift+K", true, true, false, false,
                  "New shortcut Shift+K, replaces ordinary typing or selection"},
             Case{"Shift+K", true, true, true, false,
                  "New shortcut Shift+K, replaces ordinary typing or selection"},
             Case{"Super", false, false, false, false, "Pressed Super, needs a modifier"},
             Case{"K", false, true, false, false, "Pressed K, needs a modifier"},
             Case{"Ctrl+Q", false, false, true, false, "Pressed Ctrl+Q, reserved for the desktop"},
             Case{"Ctrl+Q", false, true, true, false, "Pressed Ctrl+Q, reserved for the desktop"},
         }) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(LiveShortcutBadge::accessibilityLabel(c.text, c.valid, c.risky, c.reserved),
                  c.label);
        LiveShortcutBadge badge(c.text, c.valid, c.risky, c.reserved);
        EXPECT_EQ(badge.isLive(), c.live);
        EXPECT_EQ(badge.accessibleName(), c.label);
    }
}

} // namespace
} // namespace ostrel
