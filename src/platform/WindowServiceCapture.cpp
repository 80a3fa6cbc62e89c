#include "model/CaptureError.h"
#include "platform/DisplayGeometry.h"
#include "platform/WindowService.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace ostrel {

namespace {

// The ordering of names in file lists: by the user's language, digits by their value. The C
// locale collates by code point (capitals before every small letter), which no file list
// does, so a neutral language stands in for it.
QCollator fileListCollator()
{
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C) {
        locale = QLocale(QLocale::English);
    }
    QCollator collator(locale);
    collator.setNumericMode(true);
    return collator;
}

} // namespace

CapturePreview WindowService::captureNow(const QList<CurrentDisplay> &displays,
                                         const QSet<QString> &exclusions,
                                         const Cancellation &cancellation)
{
    const ScanOutput scan = scanNow(displays, exclusions, cancellation, std::nullopt, true);
    if (scan.permissionDenied) {
        throw CaptureError(CaptureError::Kind::permissionDenied);
    }
    if (scan.wasCancelled) {
        throw CaptureError(CaptureError::Kind::cancelled);
    }
    if (scan.timedOut) {
        throw CaptureError(CaptureError::Kind::timedOut);
    }
    if (!scan.incompleteBundleIDs.isEmpty()) {
        throw CaptureError(CaptureError::Kind::incompleteDiscovery);
    }

    CapturePreview preview;
    for (const WindowReference &window : scan.windows) {
        const std::optional<CurrentDisplay> display =
            DisplayGeometry::displayFor(window.frame, displays);
        if (!display) {
            continue;
        }
        WindowEntry entry;
        entry.id = QUuid::createUuid();
        entry.bundleID = window.bundleID;
        entry.appName = window.appName;
        entry.role = window.role;
        entry.subrole = window.subrole;
        entry.hostname = window.hostname;
        entry.displayKey = display->identity.key();
        entry.relativeFrame = RelativeFrame::fromFrame(window.frame, display->visibleFrame);
        preview.entries.append(entry);
        preview.references.insert(entry.id, window);
    }
    if (preview.entries.isEmpty()) {
        throw CaptureError(CaptureError::Kind::noEligibleWindows);
    }

    const QCollator collator = fileListCollator();
    std::stable_sort(preview.entries.begin(), preview.entries.end(),
                     [&collator](const WindowEntry &a, const WindowEntry &b) {
                         const int byName = collator.compare(a.appName, b.appName);
                         if (byName != 0) {
                             return byName < 0;
                         }
                         return a.displayKey < b.displayKey;
                     });

    preview.id = QUuid::createUuid();
    for (const CurrentDisplay &display : displays) {
        preview.displays.append(DisplaySnapshot::fromCurrent(display));
    }
    preview.excludedWindowCount = scan.excludedWindowCount;
    preview.unsupportedWindowCount = scan.skippedCount;
    return preview;
}

} // namespace ostrel
