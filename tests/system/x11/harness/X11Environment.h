#pragma once

#include "XSession.h"

#include "model/RectD.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

namespace ostrel::test {

// The environment variable that picks the window manager of a test run, and the exit code of a
// run whose window manager is not installed (cmake/OstrelTest.cmake gives it to CTest).
inline constexpr const char *windowManagerVariable = "OSTREL_TEST_WINDOW_MANAGER";
inline constexpr int skipReturnCode = 77;

// The X session of this test executable: started once before the first test (a gtest global
// environment that linking this harness registers), torn down after the last. Every test
// executable registered with `ostrel_test(... X11)` that links ostrel_x11_harness gets it.
XSession &xsession();

// Options for the session, read when it starts. Call from a static initializer or main() before
// the tests run when the defaults (two monitors, openbox) do not fit.
void setXSessionOptions(XSessionOptions options);

// Fixture for tests on the shared session: each test starts from the session's initial state
// (no clients, window manager running, original monitors).
class X11Test : public ::testing::Test {
protected:
    XSession &x = xsession();
    void TearDown() override { x.reset(); }

    // The window's outer frame in the program's global space, as X itself reports it: relative
    // to the primary monitor's top left. What the program says is checked against this.
    RectD frameFromX(uint32_t window);
    // Each window's frame from X lies within `tolerance` points of the expected one.
    void expectFrames(const std::map<uint32_t, RectD> &expected, double tolerance = 4.0);
};

} // namespace ostrel::test
