#include "system/fake/FakeDesktop.h"

#include "system/AXAttribute.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace std::chrono_literals;

namespace {

AXAttributeResult read(FakeDesktop &desktop, AXElement element, const QString &attribute)
{
    return desktop.copyAttributeValue(element, attribute);
}

} // namespace

TEST(FakeDesktop, LatencyWithinTheTimeoutCostsTheLatencyBeyondItCostsTheTimeoutAndFails)
{
    FakeDesktop desktop;
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement window = desktop.addWindow(pid, {10, 20, 300, 200});
    desktop.setMessagingTimeout(window, 0.25);
    desktop.setReadLatency(window, AXAttribute::role, 0.2);
    desktop.setReadLatency(window, AXAttribute::subrole, 0.3);

    const Clock::TimePoint start = desktop.clock().now();
    const AXAttributeResult role = read(desktop, window, AXAttribute::role);
    EXPECT_EQ(role.error, AXError::success);
    EXPECT_EQ(std::get<QString>(role.value), "AXWindow");
    EXPECT_EQ(desktop.clock().now() - start, 200ms);

    EXPECT_EQ(read(desktop, window, AXAttribute::subrole).error, AXError::cannotComplete);
    EXPECT_EQ(desktop.clock().now() - start, 450ms);
}

TEST(FakeDesktop, ReadsFailAsScriptedAndOnGoneElementsAndWithoutTrust)
{
    FakeDesktop desktop;
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement window = desktop.addWindow(pid, {0, 0, 100, 100});

    desktop.failReads(window, AXAttribute::subrole, AXError::cannotComplete);
    EXPECT_EQ(read(desktop, window, AXAttribute::subrole).error, AXError::cannotComplete);
    desktop.failReads(window, AXAttribute::subrole, AXError::success);
    EXPECT_EQ(read(desktop, window, AXAttribute::subrole).error, AXError::success);

    EXPECT_EQ(read(desktop, window, AXAttribute::url).error, AXError::noValue);

    desktop.setTrusted(false);
    EXPECT_EQ(read(desktop, window, AXAttribute::role).error, AXError::apiDisabled);
    desktop.setTrusted(true);

    desktop.removeElement(window);
    EXPECT_EQ(read(desktop, window, AXAttribute::role).error, AXError::invalidUIElement);
    const AXElement application = desktop.applicationElement(pid);
    EXPECT_EQ(std::get<QList<AXElement>>(read(desktop, application, AXAttribute::windows).value),
              QList<AXElement>{});
}

TEST(FakeDesktop, ApplicationElementListsItsOwnWindowsInOrder)
{
    FakeDesktop desktop;
    const qint32 first = desktop.addApplication("com.example.a", "A");
    const qint32 second = desktop.addApplication("com.example.b", "B");
    const AXElement a1 = desktop.addWindow(first, {0, 0, 100, 100});
    desktop.addWindow(second, {0, 0, 100, 100});
    const AXElement a2 = desktop.addWindow(first, {0, 0, 100, 100});

    const AXElement application = desktop.applicationElement(first);
    EXPECT_EQ(desktop.applicationElement(first), application);
    EXPECT_EQ(std::get<QList<AXElement>>(read(desktop, application, AXAttribute::windows).value),
              (QList<AXElement>{a1, a2}));
}

TEST(FakeDesktop, WritesClampOffsetWaitForAMoveAndFailAsScripted)
{
    FakeDesktop desktop;
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement window = desktop.addWindow(pid, {0, 0, 400, 300});
    FakeWindowBehaviour behaviour;
    behaviour.minimumSize = AXSize{200, 150};
    behaviour.maximumSize = AXSize{1000, 800};
    behaviour.positionOffset = AXPoint{0, 5};
    behaviour.sizeOnlyAfterMove = true;
    desktop.setBehaviour(window, behaviour);

    // Ignored until the window has moved once.
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::size, AXSize{500, 500}),
              AXError::success);
    EXPECT_EQ(desktop.frame(window), (RectD{0, 0, 400, 300}));

    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::position, AXPoint{50, 60}),
              AXError::success);
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::size, AXSize{2000, 100}),
              AXError::success);
    EXPECT_EQ(desktop.frame(window), (RectD{50, 65, 1000, 150}));

    desktop.failWrites(window, AXAttribute::position,
                       {AXError::cannotComplete, AXError::notEnoughPrecision});
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::position, AXPoint{0, 0}),
              AXError::cannotComplete);
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::position, AXPoint{0, 0}),
              AXError::notEnoughPrecision);
    EXPECT_EQ(desktop.frame(window), (RectD{50, 65, 1000, 150}));
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::position, AXPoint{0, 0}),
              AXError::success);
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::position, AXSize{1, 1}),
              AXError::illegalArgument);
}

TEST(FakeDesktop, HookSeesEachCallBeforeItTakesEffect)
{
    FakeDesktop desktop;
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement window = desktop.addWindow(pid, {0, 0, 400, 300});
    // Trust goes away exactly at the position write.
    desktop.setHook([&desktop](const FakeCall &call) {
        if (call.kind == FakeCall::Kind::write && call.attribute == AXAttribute::position) {
            desktop.setTrusted(false);
        }
    });
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::size, AXSize{500, 400}),
              AXError::success);
    EXPECT_EQ(desktop.setAttributeValue(window, AXAttribute::position, AXPoint{1, 1}),
              AXError::apiDisabled);
    EXPECT_FALSE(desktop.isProcessTrusted());
    const QList<FakeCall> calls = desktop.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[1], (FakeCall{FakeCall::Kind::write, window, AXAttribute::position}));
}

TEST(FakeDesktop, WindowServerRowsFollowTheWindows)
{
    FakeDesktop desktop;
    const qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    const AXElement shown = desktop.addWindow(pid, {0, 0, 400, 300});
    const AXElement elsewhere = desktop.addWindow(pid, {0, 0, 400, 300});
    const AXElement framed = desktop.addWindow(pid, {0, 0, 400, 300});
    const AXElement closed = desktop.addWindow(pid, {0, 0, 400, 300});
    desktop.setOnScreen(elsewhere, false);
    desktop.setServerFrame(framed, {5, 5, 410, 310});
    desktop.removeElement(closed);
    desktop.addServerRow({pid, 9999, 25, 1.0, RectD{0, 0, 20, 20}});

    const std::optional<QList<WindowServerRow>> rows = desktop.windowList();
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows,
              (QList<WindowServerRow>{
                  {pid, *desktop.windowNumber(shown), 0, 1.0, RectD{0, 0, 400, 300}},
                  {pid, *desktop.windowNumber(framed), 0, 1.0, RectD{5, 5, 410, 310}},
                  {pid, 9999, 25, 1.0, RectD{0, 0, 20, 20}},
              }));
    desktop.setWindowListReadable(false);
    EXPECT_FALSE(desktop.windowList());
}
