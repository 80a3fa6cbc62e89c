// The harness itself: other test folders build on these guarantees.
#include "X11Environment.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>

extern char **environ;

namespace ostrel::test {
namespace {

using XSessionTest = X11Test;

TEST_F(XSessionTest, StartsTwoMonitorsWithOneLeftOfThePrimary)
{
    const std::string monitors = x.check({"xrandr", "--listmonitors"});
    EXPECT_NE(monitors.find("Monitors: 2"), std::string::npos) << monitors;
    EXPECT_NE(monitors.find("*DUMMY0 1920/"), std::string::npos) << monitors;
    EXPECT_NE(monitors.find("+1280+0"), std::string::npos) << monitors;
    EXPECT_NE(monitors.find("DUMMY1 1280/"), std::string::npos) << monitors;
}

TEST_F(XSessionTest, OpensTestWindowsWithTheAskedProperties)
{
    TestWindowPlan windowPlan;
    windowPlan.instance = "probe";
    windowPlan.className = "Probe";
    windowPlan.x = 1400;
    windowPlan.y = 200;
    windowPlan.width = 300;
    windowPlan.height = 200;
    windowPlan.withPid = false;
    windowPlan.count = 2;
    const TestClient client = x.openWindow(windowPlan);
    ASSERT_EQ(client.windows.size(), 2u);
    const auto list = x.clientList();
    for (uint32_t w : client.windows) {
        EXPECT_NE(std::find(list.begin(), list.end(), w), list.end());
        EXPECT_TRUE(x.property32(w, "_NET_WM_PID").empty());
    }
    const auto geometry = x.clientGeometry(client.window());
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->width, 300);
    EXPECT_EQ(geometry->height, 200);
    x.stop(client);
    EXPECT_TRUE(x.waitForGone(client.windows[1]));
}

TEST_F(XSessionTest, IconicAndOtherDesktopWindowsAreManagedAsAsked)
{
    TestWindowPlan iconic;
    iconic.iconic = true;
    const uint32_t hidden = x.openWindow(iconic).window();
    const auto state = x.property32(hidden, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), x.atom("_NET_WM_STATE_HIDDEN")), state.end());

    TestWindowPlan away;
    away.desktop = 1;
    const uint32_t other = x.openWindow(away).window();
    EXPECT_EQ(x.property32(other, "_NET_WM_DESKTOP"), std::vector<uint32_t>{1});
}

TEST_F(XSessionTest, StandardClientsAndXdotoolWork)
{
    const TestClient logo = x.startXlogo("200x150+1500+300");
    const std::string found = x.xdotool({"search", "--classname", "xlogo"});
    EXPECT_NE(found.find(std::to_string(logo.window())), std::string::npos) << found;
}

TEST_F(XSessionTest, WindowManagerCanBeStoppedAndIsBackForTheNextTest)
{
    ASSERT_TRUE(x.windowManagerRunning());
    x.stopWindowManager();
    EXPECT_FALSE(x.windowManagerRunning());
    x.reset();
    EXPECT_TRUE(x.windowManagerRunning());
    EXPECT_FALSE(x.property32(x.root(), "_NET_SUPPORTING_WM_CHECK").empty());
}

// A restarted window manager finds the previous one's properties still on the root: ready means
// it has taken over the windows already open and manages the next one at once, also when it
// comes right after the restart.
TEST_F(XSessionTest, RestartedWindowManagerManagesOldAndNewWindows)
{
    for (const bool withOpenWindow : {false, true, false, true}) {
        // A plain list rather than an optional client: GCC's optimiser takes the optional's
        // vector for uninitialized and the optimised build fails with -Werror.
        const std::vector<uint32_t> before =
            withOpenWindow ? x.openWindow().windows : std::vector<uint32_t>{};
        x.stopWindowManager();
        x.startWindowManager();
        for (const uint32_t w : before) {
            const auto list = x.clientList();
            EXPECT_NE(std::find(list.begin(), list.end(), w), list.end());
        }
        EXPECT_NO_THROW(x.openWindow())
            << (withOpenWindow ? "with" : "without") << " an open window";
        x.stopAllClients();
    }
}

// A window of a process the harness did not start (a window manager's wallpaper setter, its
// panel, an autostarted program) is named with its class and title, so the test fails on it
// instead of counting one window too many.
TEST_F(XSessionTest, AWindowTheTestDidNotOpenIsNamed)
{
    EXPECT_TRUE(x.strayWindows().empty());
    pid_t pid = 0;
    const char *argv[] = {"xlogo", "-geometry", "150x100+1500+100", nullptr};
    ASSERT_EQ(posix_spawnp(&pid, "xlogo", nullptr, nullptr, const_cast<char **>(argv), environ), 0);
    const bool named = x.waitUntil([&] { return !x.strayWindows().empty(); });
    const std::vector<std::string> stray = x.strayWindows();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    ASSERT_TRUE(named);
    ASSERT_EQ(stray.size(), 1u);
    EXPECT_NE(stray[0].find("WM_CLASS \"xlogo XLogo"), std::string::npos) << stray[0];
    EXPECT_NE(stray[0].find("title \"xlogo\""), std::string::npos) << stray[0];
    EXPECT_TRUE(x.waitUntil([&] { return x.strayWindows().empty(); }));
}

TEST_F(XSessionTest, MonitorsCanBeRearranged)
{
    x.setMonitors({{"DUMMY0", 1280, 1024, 0, 0, true}});
    EXPECT_NE(x.check({"xrandr", "--listmonitors"}).find("Monitors: 1"), std::string::npos);
    x.reset();
    EXPECT_NE(x.check({"xrandr", "--listmonitors"}).find("Monitors: 2"), std::string::npos);
}

} // namespace
} // namespace ostrel::test
