#pragma once

#include "model/AXElement.h"
#include "model/AXWindowIdentity.h"
#include "model/RectD.h"

#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// One live window found by a scan. It is never changed once made: a window that moved or
// changed is a new reference with the same `id`, made by `updating` or `revalidated`. It may
// outlive its window, so every use revalidates it or checks its role first.
struct WindowReference {
    QUuid id;
    AXElement element;
    qint32 pid = 0;
    QString bundleID;
    QString appName;
    QString role;
    QString subrole;
    std::optional<quint32> windowID; // the window-server number, when it was matched
    std::optional<QString> hostname; // browser windows only; never readable on X11
    RectD frame;

    AXWindowIdentity identity() const { return {pid, element}; }

    // A refreshed copy: the frame replaced, the host name and window number replaced only when
    // given.
    WindowReference updating(const RectD &newFrame, const std::optional<QString> &newHostname,
                             std::optional<quint32> newWindowID) const;

    // The copy a revalidation makes: frame and host name as read now (an absent host name
    // clears the old one); the window number kept.
    WindowReference revalidated(const RectD &newFrame,
                                const std::optional<QString> &newHostname) const;

    // The application name, with " — host" for a browser window. Never a window title.
    QString safeLabel() const;

    friend bool operator==(const WindowReference &, const WindowReference &) = default;
};

} // namespace ostrel
