#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariant>

#include <functional>

namespace ostrel::x11 {

// Sends a call without waiting for it: `then` runs on the context's thread with the reply once
// the call has ended (answered, failed or timed out), never after the context is gone.
void callAsync(QDBusConnection &bus, const QDBusMessage &message, int timeoutMs, QObject *context,
               std::function<void(const QDBusMessage &)> then);

// The value inside any number of variant wrappers (some services wrap property values twice).
QVariant unwrapVariant(QVariant value);

// The reply's first argument, unwrapped; invalid when the call failed or returned nothing.
QVariant firstArgument(const QDBusMessage &reply);

} // namespace ostrel::x11
