#include "DesktopFixture.h"

#include "Await.h"
#include "TestApplication.h"

#include "system/AXAttribute.h"

using namespace ostrel;

class RevalidationBase : public test::DesktopFixture {
protected:
    static constexpr RectD frame{100, 100, 800, 600};

    qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    AXElement window = desktop.addWindow(pid, frame);

    WindowReference reference(std::optional<quint32> windowID = std::nullopt)
    {
        WindowReference r =
            DesktopFixture::reference(window, pid, QStringLiteral("com.example.editor"),
                                      QStringLiteral("Editor"), {0, 0, 500, 500}, windowID);
        r.hostname = QStringLiteral("stale.example");
        return r;
    }
};

struct QualificationCase {
    const char *name;
    std::function<void()> change;
    bool revalidated;
};

// Ways a window stops (or does not stop) qualifying; each change acts on `pid` and `window` as
// they are when it runs.
class Revalidation : public RevalidationBase {
protected:
    std::vector<QualificationCase> cases()
    {
        return {
            {"unchanged", [] {}, true},
            {"no trust", [&] { desktop.setTrusted(false); }, false},
            {"application hidden",
             [&] {
                 desktop.updateApplication(pid, [](RunningApplication &a) { a.isHidden = true; });
             },
             false},
            {"application terminated",
             [&] {
                 desktop.updateApplication(pid,
                                           [](RunningApplication &a) { a.isTerminated = true; });
             },
             false},
            {"process number reused by another application",
             [&] {
                 desktop.updateApplication(
                     pid, [](RunningApplication &a) { a.bundleIdentifier = "com.example.other"; });
             },
             false},
            {"application without bundle identifier",
             [&] {
                 desktop.updateApplication(
                     pid, [](RunningApplication &a) { a.bundleIdentifier.reset(); });
             },
             false},
            {"role changed",
             [&] { desktop.setAttribute(window, AXAttribute::role, QStringLiteral("AXSheet")); },
             false},
            {"subrole unreadable",
             [&] { desktop.failReads(window, AXAttribute::subrole, AXError::cannotComplete); },
             false},
            {"became a dialog",
             [&] {
                 desktop.setAttribute(window, AXAttribute::subrole, QStringLiteral("AXDialog"));
             },
             false},
            {"minimized", [&] { desktop.setAttribute(window, AXAttribute::minimized, 1.0); },
             false},
            {"minimized state unreadable",
             [&] { desktop.failReads(window, AXAttribute::minimized, AXError::cannotComplete); },
             true},
            {"frame unreadable",
             [&] { desktop.failReads(window, AXAttribute::position, AXError::cannotComplete); },
             false},
            {"frame unusable",
             [&] {
                 desktop.setFrame(window, {100, 100, 0, 600});
             },
             false},
            {"fullscreen within 3 points",
             [&] {
                 desktop.setFrame(window, {1, -2, 1442, 903});
             },
             false},
            // Where the platform says whether a window is fullscreen, its word wins over the frame:
            // a window maximized on a display without panels covers it, and is still ordinary.
            {"covers the display but says it is not fullscreen",
             [&] {
                 desktop.setFrame(window, {0, 0, 1440, 900});
                 desktop.setAttribute(window, AXAttribute::fullScreen, 0.0);
             },
             true},
            {"says it is fullscreen",
             [&] { desktop.setAttribute(window, AXAttribute::fullScreen, 1.0); }, false},
            {"moved to another desktop", [&] { desktop.setOnScreen(window, false); }, false},
            {"closed", [&] { desktop.removeElement(window); }, false},
        };
    }
};

TEST_F(Revalidation, RefreshesTheFrameKeepsIdentityAndClearsAStaleHostName)
{
    const WindowReference before = reference(desktop.windowNumber(window));
    desktop.setFrame(window, {120, 130, 700, 500});
    const std::optional<WindowReference> after = direct.revalidateNow(before, displays);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->id, before.id);
    EXPECT_EQ(after->element, window);
    EXPECT_EQ(after->windowID, before.windowID);
    EXPECT_EQ(after->frame, (RectD{120, 130, 700, 500}));
    EXPECT_EQ(after->hostname, std::nullopt);
    EXPECT_EQ(desktop.messagingTimeout(window), 0.35);
}

TEST_F(Revalidation, BrowserWindowsGetTheirHostNameReadAgain)
{
    const qint32 browser = desktop.addApplication("firefox-esr", "Firefox ESR");
    const AXElement page = desktop.addWindow(browser, {200, 100, 800, 600});
    desktop.setAttribute(page, AXAttribute::url, QUrl("https://www.fresh.example/path"));
    WindowReference r = reference();
    r.element = page;
    r.pid = browser;
    r.bundleID = QStringLiteral("firefox-esr");
    EXPECT_EQ(direct.revalidateNow(r, displays)->hostname, "fresh.example");

    // A host name that cannot be read leaves the reference without one.
    desktop.setReadLatency(page, AXAttribute::url, 1.0);
    desktop.removeAttribute(page, AXAttribute::url);
    EXPECT_EQ(direct.revalidateNow(r, displays)->hostname, std::nullopt);
}

TEST_F(Revalidation, AWindowThatNoLongerQualifiesIsNotRevalidated)
{
    for (const QualificationCase &c : cases()) {
        // Each case with an application and window of its own, so that no change leaks on.
        desktop.setTrusted(true);
        pid = desktop.addApplication("com.example.editor", "Editor");
        window = desktop.addWindow(pid, frame);
        c.change();
        EXPECT_EQ(direct.revalidateNow(reference(), displays).has_value(), c.revalidated) << c.name;
    }
}

// Several references checked as one job answer each as it would be answered alone, whatever
// happened to the others' windows and applications since they were scanned.
TEST_F(Revalidation, ManyReferencesAreRevalidatedTogetherAsEachAlone)
{
    test::ensureApplication();
    for (const bool withNumbers : {false, true}) {
        QList<WindowReference> references;
        QList<const char *> names;
        QList<bool> expected;
        for (const QualificationCase &c : cases()) {
            if (QByteArray(c.name) == "no trust") {
                continue; // it holds for every window at once: below
            }
            pid = desktop.addApplication("com.example.editor", "Editor");
            window = desktop.addWindow(pid, frame);
            references.append(reference(withNumbers ? desktop.windowNumber(window) : std::nullopt));
            c.change();
            names.append(c.name);
            expected.append(c.revalidated);
        }
        const QList<std::optional<WindowReference>> together =
            test::await(service.revalidateEach(references, displays));
        ASSERT_EQ(together.size(), references.size());
        for (qsizetype i = 0; i < references.size(); ++i) {
            const std::optional<WindowReference> alone =
                direct.revalidateNow(references[i], displays);
            EXPECT_EQ(together[i].has_value(), expected[i])
                << names[i] << (withNumbers ? " (with window number)" : "");
            ASSERT_EQ(together[i].has_value(), alone.has_value()) << names[i];
            if (alone) {
                EXPECT_EQ(together[i]->element, references[i].element) << names[i];
                EXPECT_EQ(together[i]->frame, alone->frame) << names[i];
                EXPECT_EQ(together[i]->windowID, references[i].windowID) << names[i];
            }
        }

        desktop.setTrusted(false);
        for (const std::optional<WindowReference> &fresh :
             test::await(service.revalidateEach(references, displays))) {
            EXPECT_EQ(fresh, std::nullopt);
        }
        desktop.setTrusted(true);
    }
    EXPECT_TRUE(test::await(service.revalidateEach({}, displays)).isEmpty());
}

TEST_F(Revalidation, AKnownWindowNumberAnswersVisibilityFromTheWindowList)
{
    const quint32 number = *desktop.windowNumber(window);
    EXPECT_TRUE(direct.isVisibleOnActiveDesktopNow(reference(number), frame));
    desktop.clearCalls();
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(reference(number + 1000), frame));
    for (const FakeCall &call : desktop.calls()) {
        EXPECT_NE(call.kind, FakeCall::Kind::read);
    }
    // The same number under another process does not count.
    const qint32 other = desktop.addApplication("com.example.other", "Other");
    WindowReference foreign = reference(number);
    foreign.pid = other;
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(foreign, frame));
}

TEST_F(Revalidation, WithoutAWindowNumberVisibilityPairsTheApplicationsWindows)
{
    const AXElement sibling = desktop.addWindow(pid, {300, 300, 400, 300});
    EXPECT_TRUE(direct.isVisibleOnActiveDesktopNow(reference(), frame));
    EXPECT_EQ(desktop.messagingTimeout(desktop.applicationElement(pid)), 0.2);
    EXPECT_EQ(desktop.messagingTimeout(sibling), 0.1);

    // The caller's frame stands for the window's own: a frame nowhere on screen is not proven.
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(reference(), {3000, 3000, 800, 600}));

    // One unreadable sibling makes the answer false for the window too.
    desktop.failReads(sibling, AXAttribute::role, AXError::cannotComplete);
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(reference(), frame));
    desktop.failReads(sibling, AXAttribute::role, AXError::success);
    desktop.setAttribute(sibling, AXAttribute::size, AXSize{0, 0});
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(reference(), frame));
    // A sibling that is no window or is minimized is left out.
    desktop.setAttribute(sibling, AXAttribute::role, QStringLiteral("AXSheet"));
    EXPECT_TRUE(direct.isVisibleOnActiveDesktopNow(reference(), frame));

    desktop.failReads(desktop.applicationElement(pid), AXAttribute::windows,
                      AXError::cannotComplete);
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(reference(), frame));
}

TEST_F(Revalidation, LookAlikeWindowsAreVisibleOnlyWhenEachHasARow)
{
    const AXElement twin = desktop.addWindow(pid, frame);
    EXPECT_TRUE(direct.isVisibleOnActiveDesktopNow(reference(), frame));
    desktop.setOnScreen(twin, false);
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(reference(), frame));
}

TEST_F(Revalidation, AnApplicationWithoutWindowsShowsNothing)
{
    desktop.removeElement(window);
    EXPECT_FALSE(direct.isVisibleOnActiveDesktopNow(reference(), frame));
}

TEST_F(Revalidation, ReadFrameAndActiveDesktopReads)
{
    test::ensureApplication();
    EXPECT_EQ(test::await(service.readFrame(reference())), frame);
    EXPECT_EQ(desktop.messagingTimeout(window), 0.35);
    desktop.setFrame(window, {100, 100, -5, 600});
    EXPECT_EQ(test::await(service.readFrame(reference())), std::nullopt);

    desktop.setFrame(window, frame);
    EXPECT_TRUE(test::await(service.isOnActiveDesktop(reference())));
    // An unreadable frame falls back to the reference's (which shows nowhere here).
    desktop.failReads(window, AXAttribute::size, AXError::cannotComplete);
    EXPECT_FALSE(direct.isOnActiveDesktopNow(reference()));
    WindowReference known = reference();
    known.frame = frame;
    EXPECT_TRUE(direct.isOnActiveDesktopNow(known));

    EXPECT_TRUE(test::await(service.revalidate(known, displays)) == std::nullopt);
    desktop.failReads(window, AXAttribute::size, AXError::success);
    EXPECT_TRUE(test::await(service.isVisibleOnActiveDesktop(known, frame)));
}
