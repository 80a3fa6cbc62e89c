// Page addresses of browser windows from the accessibility bus, on a desktop of the test's own:
// real X windows that claim the process of a scripted browser, which shows frames, relations and
// documents on a private accessibility bus.
#include "ScriptedAccessibility.h"
#include "X11Environment.h"

#include "TestApplication.h"
#include "WindowServiceTestSeam.h"

#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "system/AXAttribute.h"
#include "system/x11/X11Backend.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

namespace ostrel {
namespace {

using test::ScriptedBrowser;
using test::ScriptedFrame;
using test::TestWindowPlan;
using test::XSession;

constexpr double elementTimeout = 0.08; // what the host-name search gives every element

// A browser window on the X server: a place and the title its window manager shows.
struct BrowserWindow {
    int x = 0, y = 0, width = 0, height = 0;
    std::string title;
    std::vector<uint32_t> shadow = {}; // a client-side decoration's: left, right, top, bottom
};

class PageAddresses : public test::X11Test {
public:
    static void SetUpTestSuite() { test::ensureApplication(); }

    void SetUp() override
    {
        ASSERT_TRUE(buses.started());
        ASSERT_TRUE(browser.started());
        ASSERT_TRUE(entries.isValid());
    }

    // A backend of its own for each use: nothing it found before carries over.
    void connect()
    {
        // No desktop entries: a window's application id is its WM_CLASS class.
        backend = x11::X11Backend::connect(x.display(), {entries.path()}, buses.sessionBus());
        ASSERT_TRUE(backend);
        system = backend->backend();
    }

    uint32_t open(const BrowserWindow &window, pid_t pid)
    {
        TestWindowPlan plan;
        plan.instance = "Navigator";
        plan.className = "firefox-esr";
        plan.title = window.title;
        plan.x = window.x;
        plan.y = window.y;
        plan.width = window.width;
        plan.height = window.height;
        plan.claimedPid = pid;
        plan.gtkFrameExtents = window.shadow;
        return x.openWindow(plan).window();
    }

    // The frame the browser shows for a window: where X has the window, at a scale.
    ScriptedFrame frameFor(uint32_t window, const std::string &name, const std::string &address,
                           double scale = 1.0)
    {
        const std::optional<XSession::Rect> client = x.clientGeometry(window);
        EXPECT_TRUE(client);
        ScriptedFrame frame;
        if (client) {
            frame.x = int(std::lround(client->x / scale));
            frame.y = int(std::lround(client->y / scale));
            frame.width = int(std::lround(client->width / scale));
            frame.height = int(std::lround(client->height / scale));
        }
        frame.name = name;
        frame.address = address;
        return frame;
    }

    AXAttributeResult readAddress(uint32_t window)
    {
        system.elements->setMessagingTimeout(AXElement{window}, elementTimeout);
        return system.elements->copyAttributeValue(AXElement{window}, AXAttribute::url);
    }

    // The address read, or "(none)".
    static std::string text(const AXAttributeResult &result)
    {
        if (result.error != AXError::success || !std::holds_alternative<QString>(result.value)) {
            return "(none)";
        }
        return std::get<QString>(result.value).toStdString();
    }

    std::optional<QString> hostname(uint32_t window, double deadlineSeconds = 2.0)
    {
        WindowService service(system);
        return test::WindowServiceTestSeam(service).hostname(
            AXElement{window}, QStringLiteral("firefox-esr"),
            system.clock->now() + seconds(deadlineSeconds), nullptr);
    }

    test::AccessibilityBuses buses;
    ScriptedBrowser browser{buses};
    QTemporaryDir entries;
    std::unique_ptr<x11::X11Backend> backend;
    SystemBackend system;
};

TEST_F(PageAddresses, AWindowShowsTheAddressOfItsOwnFrame)
{
    ScriptedBrowser other(buses);
    ASSERT_TRUE(other.started());
    const std::string a = "http://a.example:8080/one?q=1";
    const std::string b = "https://www.b.example/two";
    const std::string none = "(none)";

    struct Case {
        const char *name;
        std::vector<BrowserWindow> windows;
        // What the browser shows for the windows (as X placed them).
        std::function<std::vector<ScriptedFrame>(PageAddresses &, const std::vector<uint32_t> &)>
            frames;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"equal titles at different places",
         {{1400, 100, 600, 400, "Same"}, {2100, 200, 600, 400, "Same"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             return std::vector{t.frameFor(w[0], "Same", a), t.frameFor(w[1], "Same", b)};
         },
         {a, b}},
        {"equal places, different titles",
         {{1400, 100, 600, 400, "One"}, {1400, 100, 600, 400, "Two"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             // Listed the other way round, so the order of the frames decides nothing.
             return std::vector{t.frameFor(w[1], "Two", b), t.frameFor(w[0], "One", a)};
         },
         {a, b}},
        {"equal places and titles",
         {{1400, 100, 600, 400, "Same"}, {1400, 100, 600, 400, "Same"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             return std::vector{t.frameFor(w[0], "Same", a), t.frameFor(w[1], "Same", b)};
         },
         {none, none}},
        {"a HiDPI desktop: the bus in logical pixels",
         {{1400, 100, 600, 400, "One"}, {2100, 300, 700, 500, "Two"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             return std::vector{t.frameFor(w[0], "One", a, 2.0), t.frameFor(w[1], "Two", b, 2.0)};
         },
         {a, b}},
        {"a fractional scale",
         {{1400, 100, 600, 400, "One"}, {2100, 300, 700, 500, "Two"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             return std::vector{t.frameFor(w[0], "One", a, 1.5), t.frameFor(w[1], "Two", b, 1.5)};
         },
         {a, b}},
        {"no frame where the window is",
         {{1400, 100, 600, 400, "One"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             ScriptedFrame moved = t.frameFor(w[0], "One", a);
             moved.x += 40;
             return std::vector{moved};
         },
         {none}},
        {"Chromium's attribute",
         {{1400, 100, 600, 400, "One"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             ScriptedFrame frame = t.frameFor(w[0], "One", b);
             frame.addressKey = "URI";
             return std::vector{frame};
         },
         {b}},
        {"a client-side decoration: the frame within its shadow",
         {{1400, 100, 600, 400, "One", {20, 20, 10, 30}}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             ScriptedFrame frame = t.frameFor(w[0], "One", a);
             frame.x += 20;
             frame.y += 10;
             frame.width -= 40;
             frame.height -= 40;
             return std::vector{frame};
         },
         {a}},
        {"no EMBEDS relation",
         {{1400, 100, 600, 400, "One"}},
         [&](PageAddresses &t, const std::vector<uint32_t> &w) {
             ScriptedFrame frame = t.frameFor(w[0], "One", a);
             frame.embeds = false;
             return std::vector{frame};
         },
         {none}},
    };

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> windows;
        for (const BrowserWindow &window : c.windows) {
            windows.push_back(open(window, browser.pid()));
        }
        browser.show(c.frames(*this, windows));
        // Another browser shows a frame at each place too: only the window's own process counts.
        std::vector<ScriptedFrame> decoys;
        for (uint32_t window : windows) {
            decoys.push_back(frameFor(window, "decoy", "https://decoy.example/"));
        }
        other.show(decoys);
        ASSERT_NO_FATAL_FAILURE(connect());
        for (size_t i = 0; i < windows.size(); ++i) {
            EXPECT_EQ(text(readAddress(windows[i])), c.expected[i]) << "window " << i;
        }
        backend.reset();
        x.stopAllClients();
    }
}

TEST_F(PageAddresses, HostNamesOfAScanAndTheSearchBelowTheFrame)
{
    const uint32_t first = open({1400, 100, 600, 400, "One"}, browser.pid());
    const uint32_t second = open({2100, 300, 600, 400, "Two"}, browser.pid());
    ScriptedFrame embedded = frameFor(first, "One", "https://www.Docs.Example:8443/path?q=1");
    // No relation; the document three levels below the window, where the search still looks.
    ScriptedFrame below = frameFor(second, "Two", "http://localhost:8000/");
    below.embeds = false;
    below.documentDepth = 3;
    browser.show({embedded, below});
    ASSERT_NO_FATAL_FAILURE(connect());

    WindowService service(system);
    const QList<CurrentDisplay> displays = DisplayService(*system.screens).currentDisplays();
    const ScanOutput scan =
        test::WindowServiceTestSeam(service).scanNow(displays, {}, nullptr, std::nullopt, true);
    QHash<quint64, std::optional<QString>> hosts;
    for (const WindowReference &reference : scan.windows) {
        hosts.insert(reference.element.handle, reference.hostname);
    }
    ASSERT_TRUE(hosts.contains(first));
    ASSERT_TRUE(hosts.contains(second));
    EXPECT_EQ(hosts.value(first), "docs.example");
    EXPECT_EQ(hosts.value(second), "localhost");

    // One level deeper is beyond the search.
    below.documentDepth = 4;
    browser.show({embedded, below});
    backend.reset();
    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(hostname(second), std::nullopt);
    EXPECT_EQ(hostname(first), "docs.example");
}

TEST_F(PageAddresses, AFrameThatNeverAnswersCostsTheTimeoutAndNoMore)
{
    const uint32_t window = open({1400, 100, 600, 400, "One"}, browser.pid());
    ScriptedFrame silent = frameFor(window, "One", "https://a.example/");
    silent.answers = false;
    browser.show({silent});
    ASSERT_NO_FATAL_FAILURE(connect());
    // Found once, so that the bus itself is known before the clock runs.
    readAddress(window);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readAddress(window).error, AXError::cannotComplete);
    const auto one = std::chrono::steady_clock::now() - start;
    // D-Bus would wait 25 s by itself; the read ends with its messaging timeout (the bound
    // leaves room for a loaded machine, not for a second wait).
    EXPECT_LT(one, std::chrono::milliseconds(int(elementTimeout * 1000) + 150));

    // The whole search of the window (its address, its document, its content) keeps within its
    // deadline, a timeout past it at most.
    const auto searchStart = std::chrono::steady_clock::now();
    EXPECT_EQ(hostname(window, 0.1), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - searchStart,
              std::chrono::milliseconds(100 + int(elementTimeout * 1000) + 150));
}

TEST_F(PageAddresses, WithAccessibilityOffNoBrowserIsAsked)
{
    const uint32_t window = open({1400, 100, 600, 400, "One"}, browser.pid());
    browser.show({frameFor(window, "One", "https://a.example/")});
    buses.setEnabled(false);
    ASSERT_NO_FATAL_FAILURE(connect());
    const int before = browser.calls();
    EXPECT_EQ(readAddress(window).error, AXError::noValue);
    EXPECT_EQ(hostname(window), std::nullopt);
    EXPECT_EQ(browser.calls(), before);

    // Turned on, the next look (a second later at most) finds it.
    buses.setEnabled(true);
    backend.reset();
    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(hostname(window), "a.example");
    EXPECT_GT(browser.calls(), before);
}

} // namespace
} // namespace ostrel
