#include "model/KeyLabelSource.h"
#include "model/Shortcut.h"
#include "model/ShortcutFormatter.h"
#include "model/ShortcutTarget.h"

#include "ModifierKeys.h"

#include <QHash>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

using namespace test::modifiers;

// A keyboard layout under test: fixed labels, and a record of the keys it was asked about.
class TableLabels : public KeyLabelSource {
public:
    explicit TableLabels(QHash<quint32, QString> labels)
        : labels_(std::move(labels))
    {
    }
    std::optional<QString> label(quint32 keyCode) override
    {
        asked.append(keyCode);
        const auto found = labels_.constFind(keyCode);
        return found == labels_.constEnd() ? std::nullopt : std::optional<QString>(*found);
    }
    QList<quint32> asked;

private:
    QHash<quint32, QString> labels_;
};

QString refusal(const QString &text, const QString &command)
{
    return text + " is the macOS " + command
        + " shortcut. Choose a combination macOS does not already use.";
}

} // namespace

TEST(ShortcutTest, ReservedCombinationsMatchTheExactMask)
{
    struct Case {
        Shortcut shortcut;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {{12, cmd}, refusal("⌘Q", "Quit")},
        {{12, shift | cmd}, refusal("⇧⌘Q", "Log Out")},
        {{12, ctrl | cmd}, refusal("⌃⌘Q", "Lock Screen")},
        {{48, shift}, refusal("⇧Tab", "Focus Previous")},
        {{20, 0x300}, refusal("⇧⌘3", "Screenshot")},
        {{21, 0x300}, refusal("⇧⌘4", "Screenshot")},
        {{23, 0x300}, refusal("⇧⌘5", "Screenshot")},
        {{53, opt | cmd}, refusal("⌥⌘Escape", "Force Quit")},
        {{49, ctrl | cmd}, refusal("⌃⌘Space", "Emoji & Symbols")},
        {{50, cmd}, refusal("⌘`", "Next Window")},
        {{124, ctrl}, refusal("⌃→", "Move Right a Space")},
        {{6, 0x300}, refusal("⇧⌘Z", "Redo")},
        // Not reserved: an extra modifier, a bit outside the four, no modifier at all.
        {{12, ctrl | opt | cmd}, std::nullopt},
        {{0, shift | cmd}, std::nullopt},
        {{12, cmd | 0x4000}, std::nullopt},
        {{0, 0}, std::nullopt},
        {{48, 0}, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.shortcut.keyCode << "-" << c.shortcut.modifiers);
        EXPECT_EQ(c.shortcut.reservedSystemCommandMessage(nullptr), c.message);
    }
    EXPECT_EQ(Shortcut::standardSystemCommands().value("0-256"), "Select All");
}

TEST(ShortcutTest, ReservedLookupIgnoresTheLayoutButTheMessageFollowsIt)
{
    TableLabels layout({{0, "Q"}, {12, "A"}});
    // The A position is reserved whatever it prints; the message shows what it prints.
    EXPECT_EQ((Shortcut{0, cmd}).reservedSystemCommandMessage(&layout),
              refusal("⌘Q", "Select All"));
    EXPECT_EQ((Shortcut{12, cmd}).reservedSystemCommandMessage(&layout), refusal("⌘A", "Quit"));
}

TEST(ShortcutTest, JsonRoundTrip)
{
    EXPECT_EQ((Shortcut{15, 4352}).toJson(), QByteArray(R"({"keyCode":15,"modifiers":4352})"));
    for (const Shortcut s : {Shortcut{0, 256}, Shortcut{4294967295u, 4294967295u}, Shortcut{0, 0},
                             Shortcut{123, 0x1B00}}) {
        EXPECT_EQ(Shortcut::fromJson(s.toJson()), s);
    }
}

TEST(ShortcutTest, JsonDecodingRejectsWhatIsNotTwoUnsigned32BitIntegers)
{
    struct Case {
        const char *json;
        std::optional<Shortcut> decoded;
    };
    const Case cases[] = {
        {R"({"modifiers":256,"keyCode":3,"extra":"x"})", Shortcut{3, 256}},
        {R"({"keyCode":3.0,"modifiers":256})", Shortcut{3, 256}},
        {R"({"keyCode":3})", std::nullopt},
        {R"({"keyCode":-1,"modifiers":256})", std::nullopt},
        {R"({"keyCode":4294967296,"modifiers":256})", std::nullopt},
        {R"({"keyCode":1e300,"modifiers":256})", std::nullopt},
        {R"({"keyCode":3.5,"modifiers":256})", std::nullopt},
        {R"({"keyCode":"3","modifiers":256})", std::nullopt},
        {R"({"keyCode":null,"modifiers":256})", std::nullopt},
        {R"([3,256])", std::nullopt},
        {R"({"keyCode":3,"modifiers":)", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(Shortcut::fromJson(QByteArray(c.json)), c.decoded);
    }
}

TEST(ShortcutFormatterTest, ModifierGlyphsInFixedOrder)
{
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(0x1B00), "⌃⌥⇧⌘");
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(0), "");
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(cmd | 0x4000), "⌘");
    EXPECT_EQ(ShortcutFormatter::modifierSymbols(cmd | ctrl), "⌃⌘");
    EXPECT_EQ(ShortcutFormatter::text({40, 0x1B00}, nullptr), "⌃⌥⇧⌘K");
}

TEST(ShortcutFormatterTest, FixedNamesAndFallback)
{
    // clang-format off
    const std::pair<quint32, QString> cases[] = {
        {0, "A"},        {22, "6"},        {23, "5"},          {39, "'"},
        {42, "\\"},      {49, "Space"},    {36, "Return"},     {50, "`"},
        {53, "Escape"},  {65, "."},        {76, "Enter"},      {117, "Forward Delete"},
        {122, "F1"},     {123, "←"},       {126, "↑"},         {10, "Key 10"},
        {52, "Key 52"},  {127, "Key 127"}, {70000, "Key 70000"},
    };
    // clang-format on
    for (const auto &[code, name] : cases) {
        EXPECT_EQ(ShortcutFormatter::keyName(code, nullptr), name) << code;
    }
}

TEST(ShortcutFormatterTest, CurrentLayoutLabelsComeFirst)
{
    TableLabels layout({{0, "Q"}, {10, "<"}});
    EXPECT_EQ(ShortcutFormatter::keyName(0, &layout), "Q");
    EXPECT_EQ(ShortcutFormatter::keyName(10, &layout), "<");
    // No label from the layout: the fixed table, then the code.
    EXPECT_EQ(ShortcutFormatter::keyName(49, &layout), "Space");
    EXPECT_EQ(ShortcutFormatter::keyName(52, &layout), "Key 52");
    // A code beyond 16 bits is never handed to the layout.
    layout.asked.clear();
    EXPECT_EQ(ShortcutFormatter::keyName(70000, &layout), "Key 70000");
    EXPECT_TRUE(layout.asked.isEmpty());
}

TEST(ShortcutTargetTest, EqualByCaseAndLayout)
{
    const QUuid a = QUuid::createUuid();
    EXPECT_EQ(ShortcutTarget::layout(a), ShortcutTarget::layout(a));
    EXPECT_FALSE(ShortcutTarget::layout(a) == ShortcutTarget::layout(QUuid::createUuid()));
    EXPECT_FALSE(ShortcutTarget::layout(QUuid()) == ShortcutTarget::selectedLayout());
    EXPECT_EQ(ShortcutTarget::selectedLayout(), ShortcutTarget::selectedLayout());
}
