#include "platform/AX.h"

#include "system/AXAttribute.h"
#include "system/fake/FakeDesktop.h"

#include <gtest/gtest.h>

using namespace ostrel;

class AXReaders : public ::testing::Test {
protected:
    FakeDesktop desktop;
    qint32 pid = desktop.addApplication("com.example.editor", "Editor");
    AXElement application = desktop.applicationElement(pid);
    AXElement window = desktop.addWindow(pid, {10, 20, 300, 200});
};

TEST_F(AXReaders, WindowListTellsAFailedReadFromAnEmptyList)
{
    desktop.removeElement(window);
    AX::WindowListRead list = AX::windowList(desktop, application);
    EXPECT_TRUE(list.windows.isEmpty());
    EXPECT_EQ(list.error, std::nullopt);

    // Succeeds without a value, or with a value of another type: the general failure.
    desktop.setAttribute(application, AXAttribute::windows, std::monostate{});
    EXPECT_EQ(AX::windowList(desktop, application).error, AXError::failure);
    desktop.setAttribute(application, AXAttribute::windows, QStringLiteral("not a list"));
    EXPECT_EQ(AX::windowList(desktop, application).error, AXError::failure);

    desktop.failReads(application, AXAttribute::windows, AXError::cannotComplete);
    EXPECT_EQ(AX::windowList(desktop, application).error, AXError::cannotComplete);
}

TEST_F(AXReaders, FrameNeedsAPointAndASizeOfTheRightTypes)
{
    EXPECT_EQ(AX::frame(desktop, window), (RectD{10, 20, 300, 200}));

    desktop.setAttribute(window, AXAttribute::position, AXSize{10, 20});
    EXPECT_EQ(AX::frame(desktop, window), std::nullopt);

    desktop.setAttribute(window, AXAttribute::position, AXPoint{10, 20});
    desktop.removeAttribute(window, AXAttribute::size);
    EXPECT_EQ(AX::frame(desktop, window), std::nullopt);

    // Callers judge the values; the reader passes them on.
    desktop.setAttribute(window, AXAttribute::size, AXSize{0, -5});
    EXPECT_EQ(AX::frame(desktop, window), (RectD{10, 20, 0, -5}));

    desktop.failReads(window, AXAttribute::size, AXError::cannotComplete);
    EXPECT_EQ(AX::frame(desktop, window), std::nullopt);
}

TEST_F(AXReaders, TextAddressAndTruthValueConversions)
{
    desktop.setAttribute(window, AXAttribute::url, QStringLiteral("https://example.com/a"));
    EXPECT_EQ(AX::urlString(desktop, window, AXAttribute::url), "https://example.com/a");
    desktop.setAttribute(window, AXAttribute::url, QUrl("https://example.com/b"));
    EXPECT_EQ(AX::urlString(desktop, window, AXAttribute::url), "https://example.com/b");
    desktop.setAttribute(window, AXAttribute::url, 1.0);
    EXPECT_EQ(AX::urlString(desktop, window, AXAttribute::url), std::nullopt);
    EXPECT_EQ(AX::string(desktop, window, AXAttribute::url), std::nullopt);

    desktop.setAttribute(window, AXAttribute::minimized, QStringLiteral("yes"));
    EXPECT_EQ(AX::boolean(desktop, window, AXAttribute::minimized), std::nullopt);
    desktop.setAttribute(window, AXAttribute::minimized, 1.0);
    EXPECT_EQ(AX::boolean(desktop, window, AXAttribute::minimized), true);
    desktop.setAttribute(window, AXAttribute::minimized, 0.0);
    EXPECT_EQ(AX::boolean(desktop, window, AXAttribute::minimized), false);
    desktop.failReads(window, AXAttribute::minimized, AXError::noValue);
    EXPECT_EQ(AX::boolean(desktop, window, AXAttribute::minimized), std::nullopt);
}
