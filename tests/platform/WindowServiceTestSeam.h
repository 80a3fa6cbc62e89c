#pragma once

#include "platform/WindowService.h"

namespace ostrel::test {

// The window service's synchronous twins that only tests and benchmarks call: they drive the
// desktop on the caller's thread, without the hand-over to the service's own.
class WindowServiceTestSeam {
public:
    explicit WindowServiceTestSeam(WindowService &service)
        : service_(service)
    {
    }

    ScanOutput scanNow(const QList<CurrentDisplay> &displays, const QSet<QString> &exclusions,
                       const WindowService::Cancellation &cancellation,
                       std::optional<Clock::TimePoint> deadline, bool includeHostnames)
    {
        return service_.scanNow(displays, exclusions, cancellation, deadline, includeHostnames);
    }
    std::optional<WindowReference> revalidateNow(const WindowReference &reference,
                                                 const QList<CurrentDisplay> &displays)
    {
        return service_.revalidateNow(reference, displays);
    }
    std::optional<RectD> readFrameNow(const WindowReference &reference)
    {
        return service_.readFrameNow(reference);
    }
    bool isOnActiveDesktopNow(const WindowReference &reference)
    {
        return service_.isOnActiveDesktopNow(reference);
    }
    CapturePreview captureNow(const QList<CurrentDisplay> &displays,
                              const QSet<QString> &exclusions,
                              const WindowService::Cancellation &cancellation)
    {
        return service_.captureNow(displays, exclusions, cancellation);
    }
    bool isVisibleOnActiveDesktopNow(const WindowReference &reference, const RectD &frame)
    {
        return service_.isVisibleOnActiveDesktopNow(reference, frame);
    }
    std::optional<QString> hostname(AXElement window, const QString &bundleID,
                                    Clock::TimePoint deadline,
                                    const WindowService::Cancellation &cancellation)
    {
        return service_.hostname(window, bundleID, deadline, cancellation);
    }

private:
    WindowService &service_;
};

} // namespace ostrel::test
