#pragma once

#include "model/AXElement.h"
#include "model/CancellationFlag.h"
#include "system/AccessibilityElements.h"
#include "system/Clock.h"

#include <QSet>
#include <QString>

#include <memory>
#include <optional>

namespace ostrel {

// The host name of the page a browser window shows, so that a saved browser window can be
// matched by site later without keeping its address.
class BrowserHostname {
public:
    // The web browsers whose windows get a host name.
    static const QSet<QString> &browserBundleIDs();

    // The host of an http or https address, lower-cased and without one leading "www.".
    static std::optional<QString> normalizedHostname(const QString &address);

    // Reads the window's own address, else searches its content tree breadth first for a web
    // area with one: at most 80 elements, no deeper than three levels below the window, and
    // never past the deadline or a cancellation. Every failure gives no host name.
    static std::optional<QString> read(AccessibilityElements &elements, Clock &clock,
                                       AXElement window, const QString &bundleID,
                                       const QSet<QString> &browsers, Clock::TimePoint deadline,
                                       const std::shared_ptr<CancellationFlag> &cancellation);
};

} // namespace ostrel
