#include "model/AutomationDeferral.h"
#include "model/MissingDisplay.h"
#include "model/MutationScope.h"
#include "model/StorePaths.h"

#include <QDir>
#include <QSet>

#include <gtest/gtest.h>

using namespace ostrel;

TEST(MutationScopeTest, EqualByCaseAndEveryAssociatedValue)
{
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    const QUuid e1 = QUuid::createUuid();
    const QUuid e2 = QUuid::createUuid();
    using M = MutationScope;
    EXPECT_EQ(M::rename(a), M::rename(a));
    EXPECT_FALSE(M::rename(a) == M::rename(b));
    EXPECT_FALSE(M::rename(a) == M::deleteLayout(a));
    EXPECT_FALSE(M::removeEntry(a, e1) == M::removeEntry(a, e2));
    EXPECT_FALSE(M::exclusion("com.Example") == M::exclusion("com.example"));
    EXPECT_FALSE(M::shortcut(std::nullopt) == M::shortcut(a));
    EXPECT_FALSE(M::shortcut(a) == M::automation(a));

    const QSet<MutationScope> pending{M::rename(a), M::rename(b), M::removeEntry(a, e1),
                                      M::exclusion("x"), M::reset()};
    EXPECT_TRUE(pending.contains(M::rename(b)));
    EXPECT_TRUE(pending.contains(M::reset()));
    EXPECT_FALSE(pending.contains(M::removeEntry(a, e2)));
    EXPECT_FALSE(pending.contains(M::replace(a)));
}

TEST(AutomationDeferralTest, ReasonsAreFixedAndDistinct)
{
    EXPECT_EQ(reason(AutomationDeferral::displaysUnsettled),
              "Displays haven’t settled. Choose Restore to retry.");
    EXPECT_EQ(reason(AutomationDeferral::sessionInactive),
              "Automation paused. It resumes when the session is active.");
    QSet<QString> texts;
    for (auto d : {AutomationDeferral::sessionInactive, AutomationDeferral::displaysUnsettled,
                   AutomationDeferral::missingDisplay, AutomationDeferral::noAssociation,
                   AutomationDeferral::multipleAssociations, AutomationDeferral::activeGesture,
                   AutomationDeferral::permissionMissing, AutomationDeferral::busy}) {
        EXPECT_FALSE(reason(d).isEmpty());
        texts.insert(reason(d));
    }
    EXPECT_EQ(texts.size(), 8);
}

TEST(MissingDisplayTest, NumberedInSignatureOrderWhateverIsPrimary)
{
    const DisplaySnapshot right{
        {2, 2, 0, 0}, {2560, 0, 1920, 1080}, {2560, 0, 1920, 1080}, 1920, 1080, 1.0, true, false};
    const DisplaySnapshot left{
        {1, 1, 0, 0}, {0, 0, 2560, 1440}, {0, 0, 2560, 1440}, 2560, 1440, 1.0, false, false};
    EXPECT_EQ(MissingDisplay::describing("1-1-0", {right, left}),
              (MissingDisplay{"1-1-0", "Display 1 · 2560 × 1440"}));
    EXPECT_EQ(MissingDisplay::describing("2-2-0", {right, left}),
              (MissingDisplay{"2-2-0", "Display 2 · 1920 × 1080"}));
    EXPECT_EQ(MissingDisplay::describing("3-3-0", {right, left}), std::nullopt);
}

TEST(StorePathsTest, FilesLiveInTheOstrelFolder)
{
    const StorePaths paths = StorePaths::inFolder("/data/share");
    EXPECT_EQ(paths.directory, "/data/share/Ostrel");
    EXPECT_EQ(paths.database, "/data/share/Ostrel/Ostrel.sqlite");
    EXPECT_EQ(paths.backup, "/data/share/Ostrel/Ostrel.backup.sqlite");
    EXPECT_EQ(paths.resetMarker, "/data/share/Ostrel/Ostrel.reset-pending");
    // No data folder known: the home folder.
    EXPECT_EQ(StorePaths::inFolder(QString()).directory, QDir::home().filePath("Ostrel"));
    EXPECT_EQ(StorePaths::sidecarSuffixes(), (QStringList{"-wal", "-shm", "-journal"}));
}
