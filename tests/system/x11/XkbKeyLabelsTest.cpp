// Key labels from keymaps compiled by layout name: no X server needed.
#include "model/ShortcutFormatter.h"
#include "platform/KeyboardLayoutLabels.h"
#include "system/x11/XkbKeyboardLayout.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

struct Case {
    quint32 keyCode;
    std::optional<QString> printed;
};

void expectPrints(XkbKeyboardLayout &layout, std::initializer_list<Case> cases, const char *name)
{
    for (const Case &c : cases) {
        EXPECT_EQ(layout.print(c.keyCode), c.printed) << name << " key " << c.keyCode;
    }
}

} // namespace

TEST(XkbKeyLabels, KeysPrintWhatTheLayoutPutsAtTheirPosition)
{
    XkbKeyboardLayout us;
    ASSERT_TRUE(us.compile("us"));
    expectPrints(us,
                 {{0, "a"},
                  {12, "q"},
                  {6, "z"},
                  {18, "1"},
                  {33, "["},
                  {50, "`"},
                  {36, "\r"},
                  {48, "\t"},
                  {49, " "},
                  {83, std::nullopt} /* keypad 1, Num Lock off */,
                  {123, std::nullopt},
                  {122, std::nullopt},
                  {56, std::nullopt},
                  {52, std::nullopt}},
                 "us");

    XkbKeyboardLayout french;
    ASSERT_TRUE(french.compile("fr"));
    expectPrints(french,
                 {{0, "q"},
                  {12, "a"},
                  {6, "w"},
                  {13, "z"},
                  {18, "&"},
                  {19, "\u00E9"},
                  {46, ","},
                  {39, "\u00F9"}},
                 "fr");
}

TEST(XkbKeyLabels, DeadKeysPrintTheirAccent)
{
    XkbKeyboardLayout french;
    ASSERT_TRUE(french.compile("fr"));
    EXPECT_EQ(french.print(33), "^"); // the key right of P
    XkbKeyboardLayout german;
    ASSERT_TRUE(german.compile("de"));
    EXPECT_EQ(german.print(50), "^"); // left of 1
    EXPECT_EQ(german.print(24), "\u00B4");
    XkbKeyboardLayout international;
    ASSERT_TRUE(international.compile("us", "intl"));
    EXPECT_EQ(international.print(39), "\u00B4");
    EXPECT_EQ(international.print(50), "`");
}

TEST(XkbKeyLabels, LabelsFollowTheChosenLayoutAndItsChangesClearTheCache)
{
    XkbKeyboardLayout layout;
    ASSERT_TRUE(layout.compile("us,fr"));
    EXPECT_EQ(layout.layoutCount(), 2u);
    auto labels = KeyboardLayoutLabels::create(layout);

    EXPECT_EQ(ShortcutFormatter::keyName(0, labels.get()), "A");
    EXPECT_EQ(ShortcutFormatter::keyName(33, labels.get()), "[");
    EXPECT_EQ(ShortcutFormatter::keyName(36, labels.get()), "Return");
    EXPECT_EQ(ShortcutFormatter::keyName(49, labels.get()), "Space");
    EXPECT_EQ(ShortcutFormatter::keyName(123, labels.get()), "←");
    EXPECT_EQ(ShortcutFormatter::keyName(83, labels.get()), "1");

    layout.setLayoutIndex(1);
    EXPECT_EQ(ShortcutFormatter::keyName(0, labels.get()), "Q");
    EXPECT_EQ(ShortcutFormatter::keyName(33, labels.get()), "^");
    EXPECT_EQ(ShortcutFormatter::keyName(19, labels.get()), "\u00C9");

    // A new keymap (the server's mapping replaced) clears it too.
    ASSERT_TRUE(layout.compile("de"));
    EXPECT_EQ(layout.layoutCount(), 1u);
    EXPECT_EQ(ShortcutFormatter::keyName(6, labels.get()), "Y")
        << "a layout index beyond the keymap wraps around";
}

TEST(XkbKeyLabels, UnknownNamesLeaveTheKeymapAsItWas)
{
    XkbKeyboardLayout layout;
    EXPECT_EQ(layout.print(0), std::nullopt) << "no keymap yet";
    ASSERT_TRUE(layout.compile("us"));
    int changes = 0;
    const int subscription = layout.subscribe([&] { ++changes; });
    EXPECT_FALSE(layout.compile("no-such-layout"));
    EXPECT_EQ(layout.print(0), "a");
    EXPECT_EQ(changes, 0);
    layout.setLayoutIndex(0);
    EXPECT_EQ(changes, 0) << "the same layout again is no change";
    layout.unsubscribe(subscription);
    layout.setLayoutIndex(1);
    EXPECT_EQ(changes, 0);
}
