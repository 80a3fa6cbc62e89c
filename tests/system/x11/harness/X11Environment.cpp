#include "X11Environment.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace ostrel::test {

namespace {

std::optional<XSessionOptions> &pendingOptions()
{
    static std::optional<XSessionOptions> options;
    return options;
}

// The window manager asked for by the test run (one CTest test per window manager), else the
// options' own. One that is not installed skips the whole executable with CTest's skip code, so
// the run lists it as skipped instead of passed.
XSessionOptions sessionOptions()
{
    XSessionOptions options = pendingOptions().value_or(XSessionOptions{});
    const char *asked = std::getenv(windowManagerVariable);
    if (!asked || !*asked) {
        return options;
    }
    const std::optional<WindowManager> windowManager = windowManagerNamed(asked);
    if (!windowManager) {
        std::fprintf(stderr, "%s names no window manager the harness knows: %s\n",
                     windowManagerVariable, asked);
        std::exit(EXIT_FAILURE);
    }
    if (!isInstalled(*windowManager)) {
        std::fprintf(stderr,
                     "SKIPPED: the window manager %s is not installed (see scripts/packages.txt)\n",
                     asked);
        std::fflush(stderr);
        std::exit(skipReturnCode);
    }
    options.windowManager = *windowManager;
    return options;
}

class X11Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        try {
            session = std::make_unique<XSession>(sessionOptions());
        } catch (const std::exception &e) {
            GTEST_FAIL() << e.what();
        }
    }
    void TearDown() override { session.reset(); }

    std::unique_ptr<XSession> session;
};

X11Environment *const environment =
    static_cast<X11Environment *>(::testing::AddGlobalTestEnvironment(new X11Environment));

} // namespace

XSession &xsession()
{
    if (!environment->session) {
        throw std::runtime_error("the X test session is not running");
    }
    return *environment->session;
}

void setXSessionOptions(XSessionOptions options)
{
    pendingOptions() = std::move(options);
}

RectD X11Test::frameFromX(uint32_t window)
{
    const std::optional<XSession::Rect> frame = x.frameGeometry(window);
    const std::optional<XSession::Rect> primary = x.primaryMonitor();
    if (!frame || !primary) {
        ADD_FAILURE() << "window " << window << " has no geometry, or the server no monitor";
        return {};
    }
    return RectD{double(frame->x - primary->x), double(frame->y - primary->y), double(frame->width),
                 double(frame->height)};
}

void X11Test::expectFrames(const std::map<uint32_t, RectD> &expected, double tolerance)
{
    for (const auto &[window, frame] : expected) {
        const RectD actual = frameFromX(window);
        EXPECT_TRUE(actual.isApproximatelyEqual(frame, tolerance))
            << "window " << window << " is at " << actual.x << "," << actual.y << " "
            << actual.width << "x" << actual.height << ", expected " << frame.x << "," << frame.y
            << " " << frame.width << "x" << frame.height;
    }
}

} // namespace ostrel::test
