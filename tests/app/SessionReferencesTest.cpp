#include "AppModelFixture.h"

#include "Await.h"

#include "system/AXAttribute.h"

#include <QSemaphore>

#include <atomic>

using namespace ostrel;
using namespace ostrel::test;

class SessionReferences : public AppModelTest {};

TEST_F(SessionReferences, ARefreshDropsWindowsThatClosedOrWhoseApplicationEnded)
{
    const QList<AXElement> editor = addApplication("com.example.editor", "Editor",
                                                   {{100, 100, 600, 400}, {200, 150, 500, 300}});
    const qint32 mailPid = desktop.addApplication("com.example.mail", "Mail");
    desktop.addWindow(mailPid, {700, 200, 500, 500});
    start();
    saveCurrentWindows("Work");
    ASSERT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 3);

    // While something runs, nothing is re-read.
    desktop.removeElement(editor[1]);
    const std::function<void()> release = holdCapture();
    await(model->refresh());
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 3);
    release();

    desktop.updateApplication(mailPid, [](RunningApplication &app) { app.isTerminated = true; });
    await(model->refresh());
    ASSERT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 1);
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().begin().value().element, editor[0]);

    // Without trust nothing is re-read either.
    desktop.setTrusted(false);
    desktop.removeElement(editor[0]);
    await(model->refresh());
    EXPECT_FALSE(model->session().permissionTrusted);
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 1);
}

TEST_F(SessionReferences, WindowsRememberedWhileARefreshChecksAreKept)
{
    const QList<AXElement> editor =
        addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    start();
    saveCurrentWindows("Work");
    addApplication("com.example.mail", "Mail", {{700, 200, 500, 500}});

    auto resume = std::make_shared<QSemaphore>(0);
    std::atomic<bool> held{false};
    desktop.setHook([&, resume](const FakeCall &call) {
        if (call.attribute == AXAttribute::role && call.element == editor[0]
            && !held.exchange(true)) {
            resume->acquire();
        }
    });
    QCoro::Task<void> refreshing = model->refresh();
    ASSERT_TRUE(waitUntil([&] { return bool(held); }));
    // The check runs on the window service, so the save's capture waits behind it.
    QCoro::Task<bool> capturing = model->beginSave();
    resume->release();
    EXPECT_TRUE(await(std::move(capturing)));
    EXPECT_EQ(await(model->savePendingLayout(QStringLiteral("Later"), false)), std::nullopt);
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 3);
    await(std::move(refreshing));
    EXPECT_EQ(test::AppModelTestSeam(model).sessionReferences().size(), 3);
}

TEST_F(SessionReferences, AskingForAccessOpensTheSettingsEvenWhenTrusted)
{
    start();
    model->requestAccessibility();
    EXPECT_TRUE(model->session().permissionPrompted);
    EXPECT_TRUE(model->session().permissionTrusted);
    EXPECT_EQ(accessibilitySettingsOpened, 1);
}

TEST_F(SessionReferences, OpeningTheAccessibilitySettingsAsksForNothing)
{
    start();
    model->openAccessibilitySettings();
    EXPECT_EQ(accessibilitySettingsOpened, 1);
    EXPECT_FALSE(model->session().permissionPrompted);

    // The program's own wiring on X11 has no such settings to open.
    AppEnvironment withoutSettings = environment();
    withoutSettings.openAccessibilitySettings = nullptr;
    model = std::make_unique<AppModel>(withoutSettings);
    ASSERT_TRUE(waitUntil([this] { return !model->storageStatus().isBootstrapping; }));
    model->openAccessibilitySettings();
    model->requestAccessibility();
    EXPECT_EQ(accessibilitySettingsOpened, 1);
    EXPECT_TRUE(model->session().permissionTrusted);
}
