#pragma once

#include <QDateTime>
#include <QString>

namespace ostrel {

// An application whose windows are never captured, restored or undone.
struct AppExclusion {
    QString bundleID; // never empty; one exclusion per identifier
    QString appName;
    QDateTime createdAt; // the first time it was excluded

    friend bool operator==(const AppExclusion &, const AppExclusion &) = default;
};

} // namespace ostrel
