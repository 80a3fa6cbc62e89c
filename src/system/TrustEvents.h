#pragma once

#include <QObject>

namespace ostrel {

// Changes of what AccessibilityTrust answers. On X11 the trust is the window manager, which may
// start after the program (a session that starts its autostart programs first) or go away and
// come back (a window manager replaced or restarted), and the program must follow it without
// waiting for the user to open its panel.
//
// A backend emits `trustChanged` on the main thread once the new answer can be read.
class TrustEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~TrustEvents() override;

signals:
    void trustChanged();
};

} // namespace ostrel
