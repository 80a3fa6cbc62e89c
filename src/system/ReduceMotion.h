#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>

namespace ostrel {

// The desktop's wish for less motion: animations then land at once instead of moving.
class ReduceMotion {
public:
    virtual ~ReduceMotion() = default;

    // True when the desktop asks for reduced motion.
    virtual bool reduceMotion() const = 0;

    // Calls `handler` with the new value, on `context`'s thread, whenever the value changes.
    // The connection ends when either side goes away or it is disconnected.
    virtual QMetaObject::Connection onChanged(QObject *context,
                                              std::function<void(bool)> handler) = 0;
};

} // namespace ostrel
