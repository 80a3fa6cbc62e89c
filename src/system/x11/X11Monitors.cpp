#include "system/x11/X11Monitors.h"

#include <xcb/randr.h>

namespace ostrel::x11 {

QList<X11Monitor> readMonitors(X11Connection &connection, Deadline deadline)
{
    xcb_connection_t *c = connection.raw();
    QList<X11Monitor> monitors;
    if (!connection.hasRandr15()) {
        auto geometry = connection.reply<xcb_get_geometry_reply_t>(
            xcb_get_geometry(c, connection.root()), deadline);
        if (geometry.ok()) {
            monitors.append({0, QStringLiteral("screen"),
                             RectD{0, 0, double(geometry->width), double(geometry->height)}, true,
                             std::nullopt});
        }
        return monitors;
    }
    auto list = connection.reply<xcb_randr_get_monitors_reply_t>(
        xcb_randr_get_monitors(c, connection.root(), 1), deadline);
    if (!list.ok()) {
        return monitors;
    }
    for (auto it = xcb_randr_get_monitors_monitors_iterator(list.reply.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        X11Monitor m;
        m.frame = RectD{double(it.data->x), double(it.data->y), double(it.data->width),
                        double(it.data->height)};
        m.primary = it.data->primary;
        if (xcb_randr_monitor_info_outputs_length(it.data) > 0) {
            m.output = xcb_randr_monitor_info_outputs(it.data)[0];
        }
        monitors.append(m);
    }
    QList<xcb_randr_get_output_info_cookie_t> infos;
    QList<xcb_randr_get_output_property_cookie_t> edids;
    for (const X11Monitor &m : monitors) {
        infos.append(xcb_randr_get_output_info(c, m.output, XCB_CURRENT_TIME));
        edids.append(xcb_randr_get_output_property(c, m.output, connection.atom(Atom::Edid),
                                                   XCB_ATOM_ANY, 0, 256, 0, 0));
    }
    for (int i = 0; i < monitors.size(); ++i) {
        auto info = connection.reply<xcb_randr_get_output_info_reply_t>(infos[i], deadline);
        if (info.ok()) {
            monitors[i].outputName = QString::fromUtf8(
                reinterpret_cast<const char *>(xcb_randr_get_output_info_name(info.reply.get())),
                xcb_randr_get_output_info_name_length(info.reply.get()));
        }
        auto edid = connection.reply<xcb_randr_get_output_property_reply_t>(edids[i], deadline);
        if (edid.ok() && edid->format == 8) {
            const QByteArray bytes(reinterpret_cast<const char *>(
                                       xcb_randr_get_output_property_data(edid.reply.get())),
                                   xcb_randr_get_output_property_data_length(edid.reply.get()));
            monitors[i].edid = parseEdid(bytes);
        }
    }
    return monitors;
}

} // namespace ostrel::x11
