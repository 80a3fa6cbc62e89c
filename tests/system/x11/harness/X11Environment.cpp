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
        std::fprintf(stderr, "%s names no window manager the harness knows: %s\n", windowManagerVariable, asked);
        std::exit(EXIT_FAILURE);
    }
    if (!isInstalled(*windowManager)) {
        std::fprintf(stderr, "SKIPPED: the window manager %s is not installed (see scripts/packages.txt)\n", asked);
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

} // namespace ostrel::test
