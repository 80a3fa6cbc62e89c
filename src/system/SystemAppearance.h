#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <optional>

namespace ostrel {

// The desktop's choice between a light and a dark appearance.
class SystemAppearance {
public:
    virtual ~SystemAppearance() = default;

    // True for dark, false for light; absent while the desktop states no preference (the
    // program's own palette then tells).
    virtual std::optional<bool> prefersDark() const = 0;

    // Calls `handler` on `context`'s thread whenever the preference changes. The connection ends
    // when either side goes away or it is disconnected.
    virtual QMetaObject::Connection onChanged(QObject *context, std::function<void()> handler) = 0;
};

} // namespace ostrel
