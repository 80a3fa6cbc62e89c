#include "platform/KeyboardLayoutObserver.h"

#include <QMetaObject>

namespace ostrel {

KeyboardLayoutObserver::KeyboardLayoutObserver(KeyboardLayoutSource &layout,
                                               std::shared_ptr<KeyboardLayoutLabels> labels,
                                               QObject *parent)
    : QObject(parent)
    , layout_(layout)
    , labels_(labels)
{
    // The change may be noticed on any thread. The cache is emptied there and then, before the
    // revision moves on the main thread. The handler is never called once the destructor has
    // unsubscribed, and a queued bump dies with the observer.
    subscription_ = layout.subscribe([this, labels] {
        if (labels) {
            labels->clear();
        }
        QMetaObject::invokeMethod(
            this,
            [this] {
                ++revision_;
                emit revisionChanged(revision_);
            },
            Qt::QueuedConnection);
    });
}

KeyboardLayoutObserver::~KeyboardLayoutObserver()
{
    layout_.unsubscribe(subscription_);
}

} // namespace ostrel
