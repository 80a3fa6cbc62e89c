#include "platform/BrowserHostname.h"

#include "system/AXAttribute.h"
#include "platform/AX.h"

#include <QQueue>
#include <QUrl>

namespace ostrel {

namespace {

constexpr double elementTimeout = 0.08;
constexpr int maximumExamined = 80;
constexpr int deepestParent = 2; // children of deeper elements are not visited

std::optional<QString> hostFromAttributes(AccessibilityElements &elements, AXElement element)
{
    for (const QString &attribute : {QString(AXAttribute::url), QString(AXAttribute::document)}) {
        if (const std::optional<QString> address = AX::urlString(elements, element, attribute)) {
            if (std::optional<QString> host = BrowserHostname::normalizedHostname(*address)) {
                return host;
            }
        }
    }
    return std::nullopt;
}

} // namespace

const QSet<QString> &BrowserHostname::browserBundleIDs()
{
    // Desktop-entry ids, which are also the ids the backend falls back to (the WM_CLASS class
    // in lower case) where no desktop entry is found.
    static const QSet<QString> ids{
        QStringLiteral("firefox"),
        QStringLiteral("firefox-esr"),
        QStringLiteral("org.mozilla.firefox"),
        QStringLiteral("chromium"),
        QStringLiteral("org.chromium.Chromium"),
        QStringLiteral("google-chrome"),
        QStringLiteral("com.google.Chrome"),
        QStringLiteral("brave-browser"),
        QStringLiteral("com.brave.Browser"),
        QStringLiteral("microsoft-edge"),
        QStringLiteral("vivaldi-stable"),
        QStringLiteral("opera"),
        QStringLiteral("org.gnome.Epiphany"),
        QStringLiteral("org.kde.falkon"),
        QStringLiteral("org.qutebrowser.qutebrowser"),
    };
    return ids;
}

std::optional<QString> BrowserHostname::normalizedHostname(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        return std::nullopt;
    }
    QString host = url.host(QUrl::FullyDecoded).toLower();
    if (host.startsWith(QLatin1String("www."))) {
        host.remove(0, 4);
    }
    if (host.isEmpty()) {
        return std::nullopt;
    }
    return host;
}

std::optional<QString> BrowserHostname::read(AccessibilityElements &elements, Clock &clock,
                                             AXElement window, const QString &bundleID,
                                             const QSet<QString> &browsers,
                                             Clock::TimePoint deadline,
                                             const std::shared_ptr<CancellationFlag> &cancellation)
{
    if (!browsers.contains(bundleID)) {
        return std::nullopt;
    }
    elements.setMessagingTimeout(window, elementTimeout);
    if (std::optional<QString> host = hostFromAttributes(elements, window)) {
        return host;
    }

    struct Queued {
        AXElement element;
        int depth = 0;
    };
    QQueue<Queued> queue;
    queue.enqueue({window, 0});
    int examined = 0;
    while (!queue.isEmpty()) {
        if (examined >= maximumExamined || (cancellation && cancellation->isCancelled())
            || clock.now() >= deadline) {
            return std::nullopt;
        }
        const Queued next = queue.dequeue();
        elements.setMessagingTimeout(next.element, elementTimeout);
        const std::optional<QString> role = AX::string(elements, next.element, AXAttribute::role);
        if (role == QString(AXRoleValue::webArea)) {
            if (std::optional<QString> host = hostFromAttributes(elements, next.element)) {
                return host;
            }
        }
        if (next.depth <= deepestParent) {
            const AXAttributeResult children =
                elements.copyAttributeValue(next.element, AXAttribute::children);
            if (children.error == AXError::success) {
                if (const auto *list = std::get_if<QList<AXElement>>(&children.value)) {
                    for (AXElement child : *list) {
                        queue.enqueue({child, next.depth + 1});
                    }
                }
            }
        }
        ++examined;
    }
    return std::nullopt;
}

} // namespace ostrel
