#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"

#include "model/Topology.h"

#include <QSemaphore>

using namespace ostrel;
using namespace ostrel::test;

class Edits : public AppModelTest {
protected:
    void SetUp() override
    {
        AppModelTest::SetUp();
        addApplication("com.example.editor", "Editor",
                       {{100, 100, 600, 400}, {200, 150, 500, 300}});
        addApplication("com.example.mail", "Mail", {{700, 200, 500, 500}});
    }
};

TEST_F(Edits, ExclusionsRefuseBeforeTheGateAndStoreTheirRow)
{
    start();
    const std::function<void()> releaseCapture = holdCapture();
    EXPECT_EQ(await(model->excludeApp("com.example.mail", "Mail")),
              "Wait for the current operation before changing exclusions.");
    releaseCapture();
    const std::function<void()> releaseOther =
        holdEdit([&] { (void)model->excludeApp("com.example.other", "Other"); });
    EXPECT_EQ(await(model->excludeApp("com.example.mail", "Mail")),
              "Wait for the current exclusion change to finish.");
    EXPECT_EQ(await(model->removeExclusion("com.example.mail")),
              "Wait for the current exclusion change to finish.");
    releaseOther();
    ASSERT_EQ(await(model->removeExclusion("com.example.other")), std::nullopt);

    EXPECT_EQ(await(model->excludeApp("", "Nameless")),
              "Couldn’t save changes. An app identity is required.");
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());

    EXPECT_EQ(await(model->excludeApp("com.example.mail", "Mail")), std::nullopt);
    EXPECT_EQ(model->excludedBundleIDs(), QSet<QString>{"com.example.mail"});
    EXPECT_EQ(rows("SELECT bundle_id, app_name FROM exclusions"),
              QStringList{"com.example.mail|Mail"});
    EXPECT_EQ(await(model->excludeApp("com.example.mail", "Mail 2")), std::nullopt);
    EXPECT_EQ(model->savedData().exclusions.first().appName, "Mail 2");
    EXPECT_EQ(await(model->removeExclusion("com.example.mail")), std::nullopt);
    EXPECT_EQ(await(model->removeExclusion("com.example.never")), std::nullopt);
    EXPECT_TRUE(model->savedData().exclusions.isEmpty());
    EXPECT_TRUE(rows("SELECT bundle_id FROM exclusions").isEmpty());
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}

TEST_F(Edits, ExcludingAnApplicationTrimsTheWaitingCapture)
{
    start();
    ASSERT_TRUE(await(model->beginSave()));
    const CapturePreview before = *model->windowRequests().pendingCapture;
    ASSERT_EQ(before.entries.size(), 3);
    EXPECT_EQ(await(model->excludeApp("com.example.editor", "Editor")), std::nullopt);
    const CapturePreview after = *model->windowRequests().pendingCapture;
    ASSERT_EQ(after.entries.size(), 1);
    EXPECT_EQ(after.entries.first().bundleID, "com.example.mail");
    EXPECT_EQ(after.references.keys(), QList<QUuid>{after.entries.first().id});
    EXPECT_EQ(after.excludedWindowCount, before.excludedWindowCount);
    EXPECT_EQ(after.unsupportedWindowCount, before.unsupportedWindowCount);
}

TEST_F(Edits, RenameAndDeleteFollowTheirOwnRules)
{
    start();
    const Layout work = saveCurrentWindows("Work");
    const Layout play = saveCurrentWindows("Play");
    const QStringList stamp = rows("SELECT updated_at FROM layouts ORDER BY name");

    EXPECT_EQ(await(model->renameLayout(work.id, "  Work \n")), std::nullopt);
    EXPECT_EQ(rows("SELECT updated_at FROM layouts ORDER BY name"), stamp);
    EXPECT_EQ(await(model->renameLayout(work.id, " ")), "Enter a layout name.");
    EXPECT_EQ(await(model->renameLayout(QUuid::createUuid(), "X")),
              "That layout is no longer available.");
    EXPECT_EQ(await(model->renameLayout(work.id, "PLAY")), "A layout named “PLAY” already exists.");
    EXPECT_EQ(model->layout(work.id)->name, "Work");
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
    EXPECT_EQ(await(model->renameLayout(work.id, "WORK")), std::nullopt);
    EXPECT_EQ(model->layout(work.id)->name, "WORK");

    EXPECT_EQ(await(model->removeEntry(QUuid::createUuid(), work.entries.first().id)),
              "That layout is no longer available.");

    // Deleting another layout keeps the selection; deleting the selected one picks the oldest.
    model->selectLayout(play.id);
    const Layout third = saveCurrentWindows("Third");
    model->selectLayout(third.id);
    EXPECT_EQ(await(model->deleteLayout(play.id)), std::nullopt);
    EXPECT_EQ(model->settings().selectedLayoutID, third.id);
    EXPECT_EQ(await(model->deleteLayout(third.id)), std::nullopt);
    EXPECT_EQ(model->settings().selectedLayoutID, work.id);
    EXPECT_EQ(await(model->deleteLayout(third.id)), "That layout is no longer available.");
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}

TEST_F(Edits, AStoreThatFailsReleasesTheScopeAndPublishesNothing)
{
    start();
    const Layout work = saveCurrentWindows("Work");
    ASSERT_EQ(await(model->excludeApp("com.example.gone", "Gone")), std::nullopt);
    const QList<Layout> layouts = model->savedData().layouts;
    const QList<AppExclusion> exclusions = model->savedData().exclusions;

    struct Case {
        const char *trigger;
        std::function<QCoro::Task<std::optional<Refusal>>()> edit;
    };
    const Case cases[] = {
        {"BEFORE UPDATE OF name ON layouts", [&] { return model->renameLayout(work.id, "New"); }},
        {"BEFORE DELETE ON layouts", [&] { return model->deleteLayout(work.id); }},
        {"BEFORE DELETE ON windows",
         [&] { return model->removeEntry(work.id, work.entries.first().id); }},
        {"BEFORE INSERT ON exclusions",
         [&] { return model->excludeApp("com.example.mail", "Mail"); }},
        {"BEFORE DELETE ON exclusions", [&] { return model->removeExclusion("com.example.gone"); }},
        {"BEFORE UPDATE OF automation_enabled ON layouts",
         [&] { return model->associateAutomation(work.id); }},
    };
    for (const Case &c : cases) {
        execute(
            QStringLiteral("CREATE TRIGGER refuse %1 BEGIN SELECT RAISE(ABORT, 'refused'); END;")
                .arg(QString::fromUtf8(c.trigger)));
        EXPECT_EQ(await(c.edit()), "Couldn’t save changes. refused") << c.trigger;
        EXPECT_TRUE(model->savedData().pendingMutations.isEmpty()) << c.trigger;
        EXPECT_EQ(model->savedData().layouts, layouts) << c.trigger;
        EXPECT_EQ(model->savedData().exclusions, exclusions) << c.trigger;
        execute("DROP TRIGGER refuse");
    }
}

TEST_F(Edits, AReloadThatFailsAfterTheWriteKeepsTheOldListButTheChangeIsStored)
{
    start();
    const Layout work = saveCurrentWindows("Work");
    execute("CREATE TRIGGER damage AFTER UPDATE OF name ON layouts "
            "BEGIN UPDATE layouts SET shortcut_key_code = -5, shortcut_modifiers = 256; END;");
    const std::optional<Refusal> failure = await(model->renameLayout(work.id, "New"));
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->text.startsWith("Couldn’t read saved layouts."))
        << failure->text.toStdString();
    EXPECT_EQ(model->layout(work.id)->name, "Work");
    EXPECT_EQ(rows("SELECT name FROM layouts"), QStringList{"New"});
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}

TEST_F(Edits, AnEditWaitingForTheStoreHoldsItsScopeOnly)
{
    start();
    const Layout work = saveCurrentWindows("Work");
    const Layout play = saveCurrentWindows("Play");
    const std::function<void()> release = holdStore();
    QCoro::Task<std::optional<Refusal>> renaming = model->renameLayout(work.id, "Deep Work");
    EXPECT_EQ(model->savedData().pendingMutations,
              QSet<MutationScope>{MutationScope::rename(work.id)});
    EXPECT_EQ(await(model->renameLayout(work.id, "Other")), "That change is already in progress.");
    // Capture and exclusion checks are not held back by a rename.
    EXPECT_TRUE(model->canCapture());
    QCoro::Task<std::optional<Refusal>> deleting = model->deleteLayout(play.id);
    EXPECT_EQ(model->savedData().pendingMutations.size(), 2);
    release();
    EXPECT_EQ(await(std::move(renaming)), std::nullopt);
    EXPECT_EQ(await(std::move(deleting)), std::nullopt);
    EXPECT_EQ(model->savedData().layouts.size(), 1);
    EXPECT_EQ(model->savedData().layouts.first().name, "Deep Work");
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}

TEST_F(Edits, LinkingAutomationChecksDisplaysAndOtherLinks)
{
    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)}, 1);
    start();
    const Layout first = saveCurrentWindows("First");
    const Layout second = saveCurrentWindows("Second");

    desktop.setScreens({}, std::nullopt);
    EXPECT_EQ(await(model->associateAutomation(first.id)), "No displays are available.");
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());

    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
    EXPECT_EQ(await(model->associateAutomation(first.id)),
              "Connect the original displays, then link this layout.");
    EXPECT_EQ(model->automationDescription(*model->layout(first.id)), "Not linked");

    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)}, 1);
    EXPECT_EQ(await(model->associateAutomation(first.id)), std::nullopt);
    const Layout linked = *model->layout(first.id);
    EXPECT_TRUE(linked.automationEnabled);
    EXPECT_EQ(linked.automationTopologySignature, Topology::signature(model->currentDisplays()));
    EXPECT_EQ(model->automationDescription(linked), "Linked to these displays");
    EXPECT_EQ(await(model->associateAutomation(second.id)),
              "“First” is already linked to these displays.");

    EXPECT_EQ(await(model->clearAutomation(first.id)), std::nullopt);
    EXPECT_FALSE(model->layout(first.id)->automationEnabled);
    EXPECT_EQ(rows("SELECT automation_enabled, automation_topology_signature FROM layouts "
                   "WHERE name = 'First'"),
              QStringList{"0|NULL"});
    EXPECT_EQ(await(model->associateAutomation(second.id)), std::nullopt);

    desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1)}, 1);
    EXPECT_EQ(model->automationDescription(*model->layout(second.id)),
              "Linked to another display setup");
    EXPECT_EQ(await(model->clearAutomation(QUuid::createUuid())),
              "That layout is no longer available.");
    EXPECT_TRUE(model->savedData().pendingMutations.isEmpty());
}

TEST_F(Edits, AnOlderLayoutLinksToTheSameDisplaysWithNearlyTheSameScale)
{
    start();
    const Layout older = saveCurrentWindows("Older");
    model.reset();
    // As an upgrade leaves it: the whole frame inferred from the visible one.
    execute("UPDATE displays SET frame_inferred = 1, frame_y = visible_y, "
            "frame_height = visible_height, scale = 2.005");

    struct Case {
        double connectedScale;
        bool links;
    };
    for (const Case c : {Case{2.02, false}, Case{2.0, true}}) {
        Screen connected = screen(1, {0, 0, 1440, 900}, 1);
        connected.scale = c.connectedScale;
        desktop.setScreens({connected}, 1);
        start();
        EXPECT_EQ(model->automationDescription(*model->layout(older.id)),
                  "Older layout — link to confirm displays");
        const std::optional<Refusal> result = await(model->associateAutomation(older.id));
        if (c.links) {
            EXPECT_EQ(result, std::nullopt);
            const Layout refreshed = *model->layout(older.id);
            EXPECT_FALSE(refreshed.displays.first().frameInferred);
            EXPECT_EQ(refreshed.displays.first().frame, (RectD{0, 0, 1440, 900}));
            EXPECT_EQ(refreshed.displays.first().scale, 2.0);
            EXPECT_EQ(model->automationDescription(refreshed), "Linked to these displays");
        } else {
            EXPECT_EQ(result, "Connect the original displays, then link this layout.");
        }
        model.reset();
    }
}
