#include "model/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>

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

namespace {

unsigned modeOf(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// What a start reads and writes of the settings: every value, a change of each kind, and a reset.
struct Pass {
    bool defaults = false;
    bool automationAfterWriting = false;
};

Pass readAndWriteEverything()
{
    Pass pass;
    pass.defaults = Preferences::selectedLayoutID() == std::nullopt
        && Preferences::decodeShortcut(Preferences::globalShortcutKey) == std::nullopt
        && !Preferences::automationEnabled() && Preferences::restoreFlashEnabled()
        && Preferences::highlightColor() == HighlightColor::blue
        && Preferences::appearance() == AppearancePreference::system;
    Preferences::setAutomationEnabled(true);
    Preferences::setSelectedLayoutID(QUuid::createUuid());
    Preferences::setSelectedLayoutID(std::nullopt);
    Preferences::encodeShortcut(Shortcut{15, 4352}, Preferences::globalShortcutKey);
    pass.automationAfterWriting = Preferences::automationEnabled();
    Preferences::reset();
    return pass;
}

} // namespace

// Opening a FIFO for reading waits for a writer for good, so a FIFO where the settings file
// belongs held the program's start in open(). Only a regular file is read: anything else gives
// the defaults, is never written over, and is reported.
TEST_F(PreferencesTest, ASettingsFileThatIsNoRegularFileGivesTheDefaultsAndStaysAsItIs)
{
    const QString path = folder.filePath("Ostrel/Ostrel.conf");
    const QByteArray name = QFile::encodeName(path);
    ASSERT_TRUE(QDir().mkpath(folder.filePath("Ostrel")));
    struct Case {
        const char *what;
        std::function<bool()> make;
        mode_t type;
    };
    const Case cases[] = {
        {"a FIFO", [&] { return ::mkfifo(name.constData(), 0600) == 0; }, S_IFIFO},
        {"a folder", [&] { return ::mkdir(name.constData(), 0700) == 0; }, S_IFDIR},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.make());
        // On a thread of its own, with a deadline that only a start held for good reaches.
        auto passing = std::async(std::launch::async, readAndWriteEverything);
        if (passing.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ADD_FAILURE() << "reading the settings did not return";
            // A writer sets the reader stuck in open() free, so the test can end.
            ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));
        }
        const Pass pass = passing.get();
        EXPECT_TRUE(pass.defaults);
        EXPECT_FALSE(pass.automationAfterWriting);
        struct stat status = {};
        ASSERT_EQ(::lstat(name.constData(), &status), 0);
        EXPECT_EQ(status.st_mode & S_IFMT, c.type) << "the settings file was written over";
        EXPECT_EQ(Preferences::settingsFileProblem(),
                  QStringLiteral(
                      "Ostrel’s settings file “%1” can’t be used (it is not a regular file). It is "
                      "left as it is: the settings start from their defaults, and changes to them "
                      "are not kept.")
                      .arg(path));
        ASSERT_EQ(::remove(name.constData()), 0);
    }

    // A regular file, or none yet, is nothing to report.
    EXPECT_EQ(Preferences::settingsFileProblem(), std::nullopt);
    Preferences::setAutomationEnabled(true);
    EXPECT_EQ(Preferences::settingsFileProblem(), std::nullopt);
    EXPECT_TRUE(Preferences::automationEnabled());
}

// A change that does not reach the file is said, with the file and the reason, instead of being
// lost without a word when the program ends.
TEST_F(PreferencesTest, AWriteThatDoesNotReachTheFileSaysWhy)
{
    const QString path = folder.filePath("Ostrel/Ostrel.conf");
    const auto problem = [&](const QString &reason) {
        return QStringLiteral("The change holds until Ostrel quits, but it couldn’t be saved in "
                              "“%1”: %2.")
            .arg(path, reason);
    };
    EXPECT_EQ(Preferences::setAutomationEnabled(true), std::nullopt);

    // A FIFO where the file belongs: left alone, and the write says so.
    ASSERT_EQ(::remove(QFile::encodeName(path).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    for (const Preferences::WriteProblem &written :
         {Preferences::setSelectedLayoutID(QUuid::createUuid()),
          Preferences::setAutomationEnabled(false), Preferences::setRestoreFlashEnabled(false),
          Preferences::setHighlightColor(HighlightColor::red),
          Preferences::setAppearance(AppearancePreference::dark),
          Preferences::encodeShortcut(Shortcut{15, 4352}, Preferences::globalShortcutKey),
          Preferences::reset()}) {
        EXPECT_EQ(written, problem(QStringLiteral("it is not a regular file")));
    }
    ASSERT_EQ(::remove(QFile::encodeName(path).constData()), 0);

    // A file that cannot be written whole (here: larger than the process may write, as a full
    // disk refuses it): QSettings only says that it failed, and that is no longer ignored.
    struct rlimit previous = {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = previous;
    tiny.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const Preferences::WriteProblem written =
        Preferences::setAppearance(AppearancePreference::dark);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(written, problem(QStringLiteral("it could not be written")));
    EXPECT_EQ(Preferences::appearance(), AppearancePreference::system);

    // As a user other than root: a folder made read-only is named.
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(folder.filePath("Ostrel")).constData(), 0500), 0);
        EXPECT_EQ(Preferences::setAppearance(AppearancePreference::dark),
                  problem(QStringLiteral("its folder is read-only")));
        ::chmod(QFile::encodeName(folder.filePath("Ostrel")).constData(), 0700);
    }
    EXPECT_EQ(Preferences::setAppearance(AppearancePreference::dark), std::nullopt);
    EXPECT_EQ(Preferences::appearance(), AppearancePreference::dark);
}

// Other users must not read the settings: the folder is made 0700 and the file 0600 whatever the
// umask allows, and a folder or file an older version left readable is closed at the next write.
TEST_F(PreferencesTest, OnlyTheUserCanReadTheSettings)
{
    const QString settingsFolder = folder.filePath("Ostrel");
    const QString file = folder.filePath("Ostrel/Ostrel.conf");
    const mode_t umask = ::umask(022);

    expectDefaults();
    EXPECT_FALSE(QFileInfo::exists(settingsFolder)) << "reading made the folder";

    Preferences::setAutomationEnabled(true);
    EXPECT_EQ(modeOf(settingsFolder), 0700u);
    EXPECT_EQ(modeOf(file), 0600u);
    // Each write replaces the file; the new one is as private.
    Preferences::setAppearance(AppearancePreference::dark);
    Preferences::reset();
    EXPECT_EQ(modeOf(file), 0600u);

    Preferences::setAutomationEnabled(true);
    ASSERT_EQ(::chmod(QFile::encodeName(settingsFolder).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    Preferences::setHighlightColor(HighlightColor::red);
    EXPECT_EQ(modeOf(settingsFolder), 0700u);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_TRUE(Preferences::automationEnabled());
    EXPECT_EQ(Preferences::highlightColor(), HighlightColor::red);
    ::umask(umask);
}
