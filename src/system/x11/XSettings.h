#pragma once

#include "system/x11/X11Connection.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace ostrel::x11 {

class X11EventPump;

// The desktop's XSETTINGS (the settings daemon of Xfce, MATE, GNOME, Cinnamon and LXDE publishes
// them on the window that owns _XSETTINGS_S0): the theme name the toolkits draw with. Read at
// start and again whenever the daemon rewrites them. Main thread only.
class XSettings : public QObject {
    Q_OBJECT

public:
    // Nothing is read without a connection.
    explicit XSettings(std::shared_ptr<X11Connection> connection, QObject *parent = nullptr);
    ~XSettings() override;

    // "Net/ThemeName"; absent while no daemon publishes one.
    std::optional<QString> themeName() const { return themeName_; }

    // The text settings of an _XSETTINGS_SETTINGS value by name; empty for a value that does not
    // parse.
    static QHash<QString, QString> parseTexts(const QByteArray &value);

signals:
    void changed();

private:
    void read();
    void handle(const xcb_generic_event_t &event);

    std::shared_ptr<X11Connection> connection_;
    std::shared_ptr<X11EventPump> pump_;
    int subscription_ = 0;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    xcb_atom_t property_ = XCB_ATOM_NONE;
    // The daemon's window; its events are selected while it is known.
    xcb_window_t owner_ = XCB_WINDOW_NONE;
    std::optional<QString> themeName_;
};

} // namespace ostrel::x11
