#include "model/CaptureError.h"

namespace ostrel {

const char *CaptureError::what() const noexcept
{
    switch (kind_) {
    case Kind::permissionDenied:
        return "Accessibility access is needed to read open windows.";
    case Kind::noEligibleWindows:
        return "No supported windows found. Show a window and retry.";
    case Kind::cancelled:
        return "Window scan cancelled.";
    case Kind::timedOut:
        return "Window scan timed out. Close unused windows and retry.";
    case Kind::incompleteDiscovery:
        return "Couldn’t read all windows. No layout changed. Try again.";
    }
    return "";
}

QString CaptureError::errorDescription() const
{
    return QString::fromUtf8(what());
}

} // namespace ostrel
