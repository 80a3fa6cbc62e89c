#pragma once

#include "system/ScreenList.h"
#include "system/x11/X11Desktop.h"

namespace ostrel::x11 {

// The RandR monitors in the server's order, in global coordinates (relative to the primary
// monitor). Identity from EDID (manufacturer, product, serial), the unit being the monitor's
// index; a monitor without EDID is 0-0 with its unit, so two of them still differ. The visible
// frame is the monitor less the struts of the docks on it, or the window manager's own
// per-monitor work area (_GTK_WORKAREAS_D<n>) where it publishes one.
class X11Screens : public ScreenList {
public:
    explicit X11Screens(X11Desktop &desktop) : desktop_(desktop) {}
    QList<Screen> screens() override;
    std::optional<quint32> mainDisplayNumber() override;

private:
    QList<RectD> workAreas(std::optional<quint32> desktop);

    X11Desktop &desktop_;
};

} // namespace ostrel::x11
