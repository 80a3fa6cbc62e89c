#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// How a window is named to the user everywhere: its application, and for a browser window the
// host name of the page, after an em dash. Titles are never kept, so never shown.
inline QString windowLabel(const QString &appName, const std::optional<QString> &hostname)
{
    if (!hostname || hostname->isEmpty()) {
        return appName;
    }
    return appName + QStringLiteral(" — ") + *hostname;
}

} // namespace ostrel
