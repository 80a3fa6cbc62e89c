#pragma once

#include <QObject>

namespace ostrel {

// Changes of the connected displays: a display added, removed, moved, resized or made primary,
// or its usable area changed.
//
// A backend emits `screenParametersChanged` on the main thread after the change is visible to
// the display reader, so a listener that reads the displays at once sees the new setup. One
// change may arrive as several signals; listeners wait for the setup to settle themselves.
class DisplayEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~DisplayEvents() override;

signals:
    void screenParametersChanged();
};

} // namespace ostrel
