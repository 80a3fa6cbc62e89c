#pragma once

#include "X11Environment.h"

#include "system/SystemBackend.h"
#include "system/x11/X11Backend.h"

#include <QStringList>

#include <memory>

namespace ostrel::test {

// Fixture for tests of the program's X11 backend on the shared session: each test gets a
// backend of its own, connected to the session's server before the test runs.
class ConnectedX11Test : public X11Test {
protected:
    void SetUp() override { connectBackend(); }

    // A fixture whose test needs desktop entries of its own connects with their folders instead.
    void connectBackend(const QStringList &desktopEntryDirs = {});

    std::unique_ptr<x11::X11Backend> backend;
    SystemBackend system;
};

} // namespace ostrel::test
