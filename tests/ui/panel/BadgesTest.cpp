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
    EXPECT_EQ(badge.text(), "⇧⌘Q");
    EXPECT_EQ(badge.accessibleName(), "Shortcut ⇧⌘Q");
    const int narrow = badge.sizeHint().width();

    keyboardLayout.switchLayout({{12, QStringLiteral("a")}});
    test::waitUntil([&] { return badge.text() == "⇧⌘A"; });
    EXPECT_EQ(badge.accessibleName(), "Shortcut ⇧⌘A");

    // A key with no label anywhere reads as its code.
    badge.setShortcut(Shortcut{0x7f, Shortcut::control});
    EXPECT_EQ(badge.text(), QStringLiteral("⌃") + ShortcutFormatter::keyName(0x7f, keyLabels));
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
             Case{"⌃⌥K", true, false, false, true, "New shortcut ⌃⌥K"},
             Case{"⌃⌥K", true, false, true, true, "New shortcut ⌃⌥K"},
             Case{"⇧K", true, true, false, false,
                  "New shortcut ⇧K, replaces ordinary typing or selection"},
             Case{"⇧K", true, true, true, false,
                  "New shortcut ⇧K, replaces ordinary typing or selection"},
             Case{"⌘", false, false, false, false, "Pressed ⌘, needs a modifier"},
             Case{"K", false, true, false, false, "Pressed K, needs a modifier"},
             Case{"⌘Q", false, false, true, false, "Pressed ⌘Q, reserved for macOS"},
             Case{"⌘Q", false, true, true, false, "Pressed ⌘Q, reserved for macOS"},
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
