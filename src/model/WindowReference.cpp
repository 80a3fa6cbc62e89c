#include "model/WindowReference.h"

#include "model/WindowLabel.h"

namespace ostrel {

WindowReference WindowReference::updating(const RectD &newFrame,
                                          const std::optional<QString> &newHostname,
                                          std::optional<quint32> newWindowID) const
{
    WindowReference copy = *this;
    copy.frame = newFrame;
    if (newHostname) {
        copy.hostname = newHostname;
    }
    if (newWindowID) {
        copy.windowID = newWindowID;
    }
    return copy;
}

WindowReference WindowReference::revalidated(const RectD &newFrame,
                                             const std::optional<QString> &newHostname) const
{
    WindowReference copy = *this;
    copy.frame = newFrame;
    copy.hostname = newHostname;
    return copy;
}

QString WindowReference::safeLabel() const
{
    return windowLabel(appName, hostname);
}

} // namespace ostrel
