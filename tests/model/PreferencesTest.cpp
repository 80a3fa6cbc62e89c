#include "model/Preferences.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// Each test gets its own settings file in a fresh folder, so no test sees another's values and
// the user's own settings are never touched.
struct PreferencesTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    }

    // Writes a raw value the way another version or a hand edit might have left it.
    void store(const QString &key, const QVariant &value)
    {
        QSettings settings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"));
        settings.setValue(key, value);
    }

    bool stored(const QString &key)
    {
        QSettings settings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"));
        return settings.contains(key);
    }

    QString fileText()
    {
        QFile file(folder.filePath("Ostrel/Ostrel.conf"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static void expectDefaults()
    {
        EXPECT_EQ(Preferences::selectedLayoutID(), std::nullopt);
        EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey), std::nullopt);
        EXPECT_FALSE(Preferences::automationEnabled());
        EXPECT_TRUE(Preferences::restoreFlashEnabled());
        EXPECT_EQ(Preferences::highlightColor(), HighlightColor::blue);
        EXPECT_EQ(Preferences::appearance(), AppearancePreference::system);
    }

    QTemporaryDir folder;
};

} // namespace

TEST_F(PreferencesTest, DefaultsWhenNothingIsStored)
{
    expectDefaults();
}

TEST_F(PreferencesTest, ValuesRoundTripThroughTheFile)
{
    const QUuid id = QUuid::createUuid();
    Preferences::setSelectedLayoutID(id);
    Preferences::setAutomationEnabled(true);
    Preferences::setRestoreFlashEnabled(false);
    Preferences::setHighlightColor(HighlightColor::graphite);
    Preferences::setAppearance(AppearancePreference::dark);
    Preferences::encodeShortcut(Shortcut{15, 4352}, Preferences::globalShortcutKey);

    EXPECT_EQ(Preferences::selectedLayoutID(), id);
    EXPECT_TRUE(Preferences::automationEnabled());
    EXPECT_FALSE(Preferences::restoreFlashEnabled());
    EXPECT_EQ(Preferences::highlightColor(), HighlightColor::graphite);
    EXPECT_EQ(Preferences::appearance(), AppearancePreference::dark);
    EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey), (Shortcut{15, 4352}));

    // What a later start reads: plain texts, and the shortcut as data.
    const QString text = fileText();
    EXPECT_TRUE(text.contains("restoreFlashEnabled=false")) << text.toStdString();
    EXPECT_TRUE(text.contains("automationEnabled=true")) << text.toStdString();
    EXPECT_TRUE(text.contains("selectedLayoutID=" + id.toString(QUuid::WithoutBraces).toUpper()))
        << text.toStdString();
    EXPECT_TRUE(text.contains(R"(globalShortcut="@ByteArray()")) << text.toStdString();
}

TEST_F(PreferencesTest, ShortcutsRoundTripOverTheWholeRange)
{
    for (const Shortcut s : {Shortcut{0, 256}, Shortcut{4294967295u, 4294967295u},
                             Shortcut{123, 0x1B00}, Shortcut{0, 0}}) {
        Preferences::encodeShortcut(s, Preferences::globalShortcutKey);
        EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey), s);
    }
    Preferences::encodeShortcut(std::nullopt, Preferences::globalShortcutKey);
    EXPECT_FALSE(stored(Preferences::globalShortcutKey));
    EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey), std::nullopt);
}

TEST_F(PreferencesTest, UnusableValuesReadAsDefaultsAndStayStored)
{
    struct Case {
        QString key;
        QVariant value;
    };
    const Case cases[] = {
        {Preferences::selectedLayoutIDKey, QString("not-a-uuid")},
        {Preferences::globalShortcutKey, QByteArray(R"({"keyCode":3})")},
        {Preferences::automationEnabledKey, QString("yes")},
        {Preferences::restoreFlashEnabledKey, QString("off")},
        {Preferences::highlightColorKey, QString("Blue")},
        {Preferences::appearanceKey, QString("Dark")},
    };
    for (const Case &c : cases) {
        store(c.key, c.value);
    }
    expectDefaults();
    for (const Case &c : cases) {
        EXPECT_TRUE(stored(c.key)) << c.key.toStdString();
    }
}

TEST_F(PreferencesTest, ValuesOfTheWrongKindReadAsDefaults)
{
    // Text where data belongs, data where text belongs, a list where a Boolean belongs.
    store(Preferences::globalShortcutKey, QString(R"({"keyCode":3,"modifiers":256})"));
    store(Preferences::selectedLayoutIDKey, QUuid::createUuid().toByteArray());
    store(Preferences::restoreFlashEnabledKey, QStringList{"false", "true"});
    store(Preferences::appearanceKey, QByteArray("dark"));
    EXPECT_EQ(Preferences::decodeShortcut(Preferences::globalShortcutKey), std::nullopt);
    EXPECT_EQ(Preferences::selectedLayoutID(), std::nullopt);
    EXPECT_TRUE(Preferences::restoreFlashEnabled());
    EXPECT_EQ(Preferences::appearance(), AppearancePreference::system);
}

TEST_F(PreferencesTest, NoSelectionRemovesTheKey)
{
    Preferences::setSelectedLayoutID(QUuid::createUuid());
    Preferences::setSelectedLayoutID(std::nullopt);
    EXPECT_FALSE(stored(Preferences::selectedLayoutIDKey));
    EXPECT_EQ(Preferences::selectedLayoutID(), std::nullopt);
}

TEST_F(PreferencesTest, ResetRemovesAllSevenKeys)
{
    Preferences::setSelectedLayoutID(QUuid::createUuid());
    Preferences::encodeShortcut(Shortcut{1, 256}, Preferences::globalShortcutKey);
    Preferences::setAutomationEnabled(true);
    Preferences::setRestoreFlashEnabled(false);
    Preferences::setHighlightColor(HighlightColor::red);
    Preferences::setAppearance(AppearancePreference::light);
    store(Preferences::didPromptForAccessibilityKey, QString("true"));
    store("unrelated", QString("kept"));

    Preferences::reset();

    for (const QString &key :
         {Preferences::selectedLayoutIDKey, Preferences::globalShortcutKey,
          Preferences::automationEnabledKey, Preferences::restoreFlashEnabledKey,
          Preferences::highlightColorKey, Preferences::appearanceKey,
          Preferences::didPromptForAccessibilityKey}) {
        EXPECT_FALSE(stored(key)) << key.toStdString();
    }
    EXPECT_TRUE(stored("unrelated"));
    expectDefaults();
}
