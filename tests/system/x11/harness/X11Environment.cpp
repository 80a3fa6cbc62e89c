#include "X11Environment.h"

#include <memory>
#include <optional>

namespace ostrel::test {

namespace {

std::optional<XSessionOptions> &pendingOptions()
{
    static std::optional<XSessionOptions> options;
    return options;
}

class X11Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        try {
            session = std::make_unique<XSession>(pendingOptions().value_or(XSessionOptions{}));
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
