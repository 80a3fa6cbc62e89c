#pragma once

#include "Printing.h"
#include "WindowServiceTestSeam.h"

#include "model/CaptureError.h"
#include "model/CurrentDisplay.h"
#include "platform/WindowService.h"
#include "system/fake/FakeDesktop.h"

#include <gtest/gtest.h>

#include <QDebug>

#include <ostream>

// Readable failure messages for sets.
template <class T>
void PrintTo(const QSet<T> &set, std::ostream *os)
{
    QString text;
    QDebug(&text) << set;
    *os << text.toStdString();
}

namespace ostrel::test {

// A fake desktop with one 1440 × 900 display and a window service on it.
class DesktopFixture : public ::testing::Test {
protected:
    FakeDesktop desktop;
    WindowService service{desktop.backend()};
    WindowServiceTestSeam direct{service};
    QList<CurrentDisplay> displays{display({0, 0, 1440, 900}, {0, 25, 1440, 875}, 1)};

    static CurrentDisplay display(const RectD &frame, const RectD &visibleFrame, quint32 unit)
    {
        CurrentDisplay d;
        d.identity = {16, 32, 0, unit};
        d.cgDisplayID = unit;
        d.name = QStringLiteral("Display %1").arg(unit);
        d.frame = frame;
        d.visibleFrame = visibleFrame;
        d.pixelWidth = qint64(frame.width);
        d.pixelHeight = qint64(frame.height);
        d.isPrimary = frame.x == 0 && frame.y == 0;
        return d;
    }

    // A reference to a standard window as a scan would have made it.
    static WindowReference reference(AXElement window, qint32 pid, const QString &bundleID,
                                     const QString &appName, const RectD &frame,
                                     std::optional<quint32> windowID = std::nullopt)
    {
        WindowReference r;
        r.id = QUuid::createUuid();
        r.element = window;
        r.pid = pid;
        r.bundleID = bundleID;
        r.appName = appName;
        r.role = QStringLiteral("AXWindow");
        r.subrole = QStringLiteral("AXStandardWindow");
        r.windowID = windowID;
        r.frame = frame;
        return r;
    }

    // The kind of error a capture throws now; none when it succeeds.
    std::optional<CaptureError::Kind> captureError(const QSet<QString> &exclusions = {})
    {
        try {
            direct.captureNow(displays, exclusions, nullptr);
            return std::nullopt;
        } catch (const CaptureError &error) {
            return error.kind();
        }
    }

    Clock::TimePoint in(double secondsFromNow)
    {
        return desktop.clock().now() + seconds(secondsFromNow);
    }
};

} // namespace ostrel::test
