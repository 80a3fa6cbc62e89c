#include "system/x11/X11TrustEvents.h"

namespace ostrel::x11 {

X11TrustEvents::X11TrustEvents(X11Desktop &desktop, AccessibilityTrust &trust, QObject *parent)
    : TrustEvents(parent)
    , desktop_(desktop)
    , trust_(trust)
{
    trusted_ = trust_.isProcessTrusted();
    subscription_ = desktop_.connection().subscribe(
        [this](const xcb_generic_event_t &event) { handle(event); });
}

X11TrustEvents::~X11TrustEvents()
{
    // Returns only once no handler runs, so none can post to this object afterwards.
    desktop_.connection().unsubscribe(subscription_);
}

void X11TrustEvents::handle(const xcb_generic_event_t &event)
{
    if (desktop_.isWindowManagerEvent(event) && !posted_.exchange(true)) {
        QMetaObject::invokeMethod(this, &X11TrustEvents::check, Qt::QueuedConnection);
    }
}

void X11TrustEvents::check()
{
    posted_.store(false);
    const bool trusted = trust_.isProcessTrusted();
    if (trusted != trusted_) {
        trusted_ = trusted;
        emit trustChanged();
    }
    emit trustChecked();
}

} // namespace ostrel::x11
