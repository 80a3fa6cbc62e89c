#include "system/x11/X11WindowInfo.h"

#include <xcb/res.h>

#include <QHash>

namespace ostrel::x11 {

namespace {

constexpr uint8_t badWindow = 3;

xcb_get_property_cookie_t getProperty(xcb_connection_t *c, xcb_window_t w, xcb_atom_t property, uint32_t length = 64)
{
    return xcb_get_property(c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, length);
}

Extents extents(const xcb_get_property_reply_t *reply)
{
    const QList<quint32> values = cardinals(reply);
    Extents e{};
    if (values.size() >= 4) {
        for (int i = 0; i < 4; ++i) {
            // A value this large is garbage; treat it as no extents rather than a huge frame.
            e[static_cast<size_t>(i)] = values[i] > 10000 ? 0 : values[i];
        }
    }
    return e;
}

} // namespace

QList<quint32> cardinals(const xcb_get_property_reply_t *reply)
{
    QList<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        values.reserve(n);
        for (int i = 0; i < n; ++i) {
            values.append(data[i]);
        }
    }
    return values;
}

std::optional<Strut> strutOf(const xcb_get_property_reply_t *partial, const xcb_get_property_reply_t *legacy)
{
    if (const QList<quint32> v = cardinals(partial); v.size() >= 12) {
        std::array<quint32, 12> values{};
        std::copy(v.begin(), v.begin() + 12, values.begin());
        return Strut::partial(values);
    }
    if (const QList<quint32> v = cardinals(legacy); v.size() >= 4) {
        return Strut::legacy(v[0], v[1], v[2], v[3]);
    }
    return std::nullopt;
}

QString text(const xcb_get_property_reply_t *reply)
{
    if (!reply || reply->format != 8) {
        return {};
    }
    const auto *data = static_cast<const char *>(xcb_get_property_value(reply));
    const int n = xcb_get_property_value_length(reply);
    int length = 0;
    while (length < n && data[length] != '\0') {
        ++length;
    }
    return QString::fromUtf8(data, length);
}

RectD X11WindowInfo::visibleFrameInRoot() const
{
    const double left = double(frameExtents[0]) - double(gtkFrameExtents[0]);
    const double right = double(frameExtents[1]) - double(gtkFrameExtents[1]);
    const double top = double(frameExtents[2]) - double(gtkFrameExtents[2]);
    const double bottom = double(frameExtents[3]) - double(gtkFrameExtents[3]);
    return RectD{client.x - left, client.y - top, client.width + left + right, client.height + top + bottom};
}

WindowKind windowKind(const X11WindowInfo &info, const X11Connection &connection)
{
    // The first type the backend knows decides; later ones are the client's fallbacks.
    for (xcb_atom_t type : info.types) {
        if (type == connection.atom(Atom::NetWmWindowTypeNormal)) {
            return WindowKind::normal;
        }
        if (type == connection.atom(Atom::NetWmWindowTypeDialog)) {
            return WindowKind::dialog;
        }
        if (type == connection.atom(Atom::NetWmWindowTypeDock)) {
            return WindowKind::dock;
        }
        if (type == connection.atom(Atom::NetWmWindowTypeDesktop)) {
            return WindowKind::desktop;
        }
        if (type == connection.atom(Atom::NetWmWindowTypeUtility) || type == connection.atom(Atom::NetWmWindowTypeToolbar) ||
            type == connection.atom(Atom::NetWmWindowTypeMenu) || type == connection.atom(Atom::NetWmWindowTypeSplash)) {
            return WindowKind::floating;
        }
    }
    if (!info.types.isEmpty()) {
        return WindowKind::floating;
    }
    return info.transientFor ? WindowKind::dialog : WindowKind::normal;
}

bool isMinimized(const X11WindowInfo &info, const X11Connection &connection)
{
    return info.iconic || info.hasState(connection.atom(Atom::NetWmStateHidden));
}

bool isOnDesktop(const X11WindowInfo &info, std::optional<quint32> currentDesktop)
{
    if (!info.desktop || *info.desktop == 0xFFFFFFFFu || !currentDesktop) {
        return true;
    }
    return *info.desktop == *currentDesktop;
}

QList<X11WindowInfo> readWindowInfos(X11Connection &connection, const QList<xcb_window_t> &windows, Deadline deadline)
{
    xcb_connection_t *c = connection.raw();
    struct Cookies {
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t wmClass, pid, type, transient, state, wmState, extents, gtkExtents, desktop,
            gtkAppId, kdeDesktopFile, opacity, strutPartial, strut;
    };
    QList<Cookies> cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t w : windows) {
        Cookies k;
        k.geometry = xcb_get_geometry(c, w);
        k.origin = xcb_translate_coordinates(c, w, connection.root(), 0, 0);
        k.wmClass = getProperty(c, w, XCB_ATOM_WM_CLASS, 256);
        k.pid = getProperty(c, w, connection.atom(Atom::NetWmPid), 1);
        k.type = getProperty(c, w, connection.atom(Atom::NetWmWindowType));
        k.transient = getProperty(c, w, XCB_ATOM_WM_TRANSIENT_FOR, 1);
        k.state = getProperty(c, w, connection.atom(Atom::NetWmState));
        k.wmState = getProperty(c, w, connection.atom(Atom::WmState), 2);
        k.extents = getProperty(c, w, connection.atom(Atom::NetFrameExtents), 4);
        k.gtkExtents = getProperty(c, w, connection.atom(Atom::GtkFrameExtents), 4);
        k.desktop = getProperty(c, w, connection.atom(Atom::NetWmDesktop), 1);
        k.gtkAppId = getProperty(c, w, connection.atom(Atom::GtkApplicationId), 256);
        k.kdeDesktopFile = getProperty(c, w, connection.atom(Atom::KdeNetWmDesktopFile), 256);
        k.opacity = getProperty(c, w, connection.atom(Atom::NetWmWindowOpacity), 1);
        k.strutPartial = getProperty(c, w, connection.atom(Atom::NetWmStrutPartial), 12);
        k.strut = getProperty(c, w, connection.atom(Atom::NetWmStrut), 4);
        cookies.append(k);
    }
    connection.flush();

    QList<X11WindowInfo> infos;
    infos.reserve(windows.size());
    bool timedOut = false;
    for (int i = 0; i < windows.size(); ++i) {
        const Cookies &k = cookies[i];
        X11WindowInfo info;
        info.window = windows[i];
        if (timedOut) {
            // Past the deadline nothing more is awaited; the replies are thrown away.
            for (unsigned int s : {k.geometry.sequence, k.origin.sequence, k.wmClass.sequence, k.pid.sequence, k.type.sequence,
                                   k.transient.sequence, k.state.sequence, k.wmState.sequence, k.extents.sequence,
                                   k.gtkExtents.sequence, k.desktop.sequence, k.gtkAppId.sequence, k.kdeDesktopFile.sequence,
                                   k.opacity.sequence, k.strutPartial.sequence, k.strut.sequence}) {
                connection.discard(s);
            }
            infos.append(info);
            continue;
        }
        auto geometry = connection.reply<xcb_get_geometry_reply_t>(k.geometry, deadline);
        auto origin = connection.reply<xcb_translate_coordinates_reply_t>(k.origin, deadline);
        auto wmClass = connection.reply<xcb_get_property_reply_t>(k.wmClass, deadline);
        auto pid = connection.reply<xcb_get_property_reply_t>(k.pid, deadline);
        auto type = connection.reply<xcb_get_property_reply_t>(k.type, deadline);
        auto transient = connection.reply<xcb_get_property_reply_t>(k.transient, deadline);
        auto state = connection.reply<xcb_get_property_reply_t>(k.state, deadline);
        auto wmState = connection.reply<xcb_get_property_reply_t>(k.wmState, deadline);
        auto frame = connection.reply<xcb_get_property_reply_t>(k.extents, deadline);
        auto gtkFrame = connection.reply<xcb_get_property_reply_t>(k.gtkExtents, deadline);
        auto desktop = connection.reply<xcb_get_property_reply_t>(k.desktop, deadline);
        auto gtkAppId = connection.reply<xcb_get_property_reply_t>(k.gtkAppId, deadline);
        auto kde = connection.reply<xcb_get_property_reply_t>(k.kdeDesktopFile, deadline);
        auto opacity = connection.reply<xcb_get_property_reply_t>(k.opacity, deadline);
        auto strutPartial = connection.reply<xcb_get_property_reply_t>(k.strutPartial, deadline);
        auto strut = connection.reply<xcb_get_property_reply_t>(k.strut, deadline);

        if (geometry.status == ReplyStatus::timedOut || origin.status == ReplyStatus::timedOut ||
            strut.status == ReplyStatus::timedOut || geometry.status == ReplyStatus::disconnected) {
            timedOut = true;
            infos.append(info);
            continue;
        }
        if (!geometry.ok() || !origin.ok()) {
            info.status = (geometry.errorCode == badWindow || origin.errorCode == badWindow || geometry.status == ReplyStatus::error)
                              ? X11WindowInfo::Status::gone
                              : X11WindowInfo::Status::timedOut;
            infos.append(info);
            continue;
        }
        info.status = X11WindowInfo::Status::ok;
        info.client = RectD{double(origin->dst_x), double(origin->dst_y), double(geometry->width), double(geometry->height)};
        if (wmClass.ok() && wmClass->format == 8) {
            const auto *data = static_cast<const char *>(xcb_get_property_value(wmClass.reply.get()));
            const int n = xcb_get_property_value_length(wmClass.reply.get());
            const QByteArray bytes(data, n);
            const QList<QByteArray> parts = bytes.split('\0');
            info.instance = parts.value(0).isEmpty() ? QString() : QString::fromLocal8Bit(parts.value(0));
            info.className = parts.size() > 1 ? QString::fromLocal8Bit(parts.value(1)) : QString();
        }
        if (const QList<quint32> v = cardinals(pid.reply.get()); !v.isEmpty() && v[0] > 0 && v[0] <= 0x7FFFFFFF) {
            info.pid = static_cast<qint32>(v[0]);
        }
        info.types = cardinals(type.reply.get());
        if (const QList<quint32> v = cardinals(transient.reply.get()); !v.isEmpty()) {
            info.transientFor = v[0];
        }
        info.states = cardinals(state.reply.get());
        if (const QList<quint32> v = cardinals(wmState.reply.get()); !v.isEmpty()) {
            info.iconic = v[0] == 3;
        }
        info.frameExtents = extents(frame.reply.get());
        info.gtkFrameExtents = extents(gtkFrame.reply.get());
        if (const QList<quint32> v = cardinals(desktop.reply.get()); !v.isEmpty()) {
            info.desktop = v[0];
        }
        info.gtkApplicationId = text(gtkAppId.reply.get());
        info.kdeDesktopFile = text(kde.reply.get());
        if (const QList<quint32> v = cardinals(opacity.reply.get()); !v.isEmpty()) {
            info.opacity = double(v[0]) / double(0xFFFFFFFFu);
        }
        info.strut = strutOf(strutPartial.reply.get(), strut.reply.get());
        infos.append(info);
    }

    // Clients that do not say their process: the server knows it from the connection.
    if (connection.hasResource()) {
        QList<int> missing;
        QList<xcb_res_query_client_ids_cookie_t> pidCookies;
        for (int i = 0; i < infos.size(); ++i) {
            if (infos[i].ok() && !infos[i].pid) {
                xcb_res_client_id_spec_t wanted{infos[i].window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
                pidCookies.append(xcb_res_query_client_ids(c, 1, &wanted));
                missing.append(i);
            }
        }
        for (int j = 0; j < missing.size(); ++j) {
            auto r = connection.reply<xcb_res_query_client_ids_reply_t>(pidCookies[j], deadline);
            if (!r.ok()) {
                continue;
            }
            for (auto it = xcb_res_query_client_ids_ids_iterator(r.reply.get()); it.rem; xcb_res_client_id_value_next(&it)) {
                const auto &[id, length] = *it.data;
                if (id.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID && xcb_res_client_id_value_value_length(it.data) >= 1) {
                    const quint32 value = *xcb_res_client_id_value_value(it.data);
                    if (value > 0 && value <= 0x7FFFFFFF) {
                        infos[missing[j]].pid = static_cast<qint32>(value);
                    }
                }
            }
        }
    }
    return infos;
}

X11RootInfo readRootInfo(X11Connection &connection, Deadline deadline)
{
    xcb_connection_t *c = connection.raw();
    const xcb_window_t root = connection.root();
    auto clients = getProperty(c, root, connection.atom(Atom::NetClientList), 4096);
    auto stacking = getProperty(c, root, connection.atom(Atom::NetClientListStacking), 4096);
    auto desktop = getProperty(c, root, connection.atom(Atom::NetCurrentDesktop), 1);
    auto check = getProperty(c, root, connection.atom(Atom::NetSupportingWmCheck), 1);
    auto supported = getProperty(c, root, connection.atom(Atom::NetSupported), 1024);
    auto geometry = xcb_get_geometry(c, root);
    X11RootInfo info;
    auto clientsReply = connection.reply<xcb_get_property_reply_t>(clients, deadline);
    auto stackingReply = connection.reply<xcb_get_property_reply_t>(stacking, deadline);
    auto desktopReply = connection.reply<xcb_get_property_reply_t>(desktop, deadline);
    auto checkReply = connection.reply<xcb_get_property_reply_t>(check, deadline);
    auto supportedReply = connection.reply<xcb_get_property_reply_t>(supported, deadline);
    auto geometryReply = connection.reply<xcb_get_geometry_reply_t>(geometry, deadline);
    if (!clientsReply.ok() || !stackingReply.ok() || !checkReply.ok() || !supportedReply.ok() || !geometryReply.ok()) {
        return info;
    }
    info.ok = true;
    for (quint32 w : cardinals(clientsReply.reply.get())) {
        info.clientList.append(w);
    }
    for (quint32 w : cardinals(stackingReply.reply.get())) {
        info.stacking.append(w);
    }
    if (const QList<quint32> v = cardinals(desktopReply.reply.get()); !v.isEmpty()) {
        info.currentDesktop = v[0];
    }
    for (quint32 a : cardinals(supportedReply.reply.get())) {
        info.supported.append(a);
    }
    info.rootGeometry = RectD{0, 0, double(geometryReply->width), double(geometryReply->height)};
    if (const QList<quint32> v = cardinals(checkReply.reply.get()); !v.isEmpty() && v[0]) {
        info.supportingWmCheck = v[0];
        // A window manager that died leaves the root property behind; its check window does not
        // survive it.
        auto self = connection.reply<xcb_get_property_reply_t>(getProperty(c, v[0], connection.atom(Atom::NetSupportingWmCheck), 1), deadline);
        const QList<quint32> named = cardinals(self.reply.get());
        info.wmCheckValid = self.ok() && !named.isEmpty() && named[0] == v[0];
    }
    return info;
}

} // namespace ostrel::x11
