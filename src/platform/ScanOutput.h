#pragma once

#include "model/WindowReference.h"

#include <QList>
#include <QSet>
#include <QString>

namespace ostrel {

// The result of one window scan. A scan never throws: every way it can end is a field here,
// and only capture turns the flags into an error.
struct ScanOutput {
    QList<WindowReference> windows; // in scan order
    qint64 skippedCount = 0;        // examined and not reported, for any reason
    bool permissionDenied = false;  // not trusted at the start, or no longer at the end
    bool wasCancelled = false;
    bool timedOut = false;
    qint64 scannedApplications = 0;
    qint64 excludedWindowCount = 0; // on-screen windows of excluded applications
    // Applications all of whose eligible processes were read without a failure.
    QSet<QString> completedBundleIDs;
    // Applications read only in part, or not reached.
    QSet<QString> incompleteBundleIDs;
};

} // namespace ostrel
