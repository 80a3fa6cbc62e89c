#include "system/x11/X11WindowInfo.h"

#include <xcb/res.h>

#include <QHash>

#include <algorithm>
#include <iterator>
#include <limits>

namespace ostrel::x11 {

namespace {

constexpr uint8_t badWindow = 3;
// Length, in 32-bit units, asked of a property holding a list of atoms: more than any window sets.
constexpr uint32_t listLength = 64;

xcb_get_property_cookie_t getProperty(xcb_connection_t *c, xcb_window_t w, xcb_atom_t property,
                                      uint32_t length = listLength)
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

// WM_STATE's state of a minimized window.
constexpr quint32 iconicState = 3;
// _NET_WM_WINDOW_OPACITY of a fully opaque window.
constexpr double fullOpacity = double(0xFFFFFFFFu);
// Length, in 32-bit units, asked of a property holding a name or an identifier: more than any
// real one needs.
constexpr uint32_t textLength = 256;

// A process id as the properties and X-Resource give it; none for a value no process has.
std::optional<qint32> processID(quint32 value)
{
    if (value == 0 || value > quint32(std::numeric_limits<qint32>::max())) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

std::optional<quint32> firstCardinal(const xcb_get_property_reply_t *reply)
{
    const QList<quint32> values = cardinals(reply);
    return values.isEmpty() ? std::nullopt : std::optional<quint32>(values[0]);
}

using PropertyCookie = xcb_get_property_cookie_t;
using PropertyReply = XReply<xcb_get_property_reply_t>;

// The properties of a client that `WindowCookies` reads besides WM_CLASS and WM_TRANSIENT_FOR; a
// change of any other property leaves what is known of the client as it was.
constexpr Atom windowInfoAtoms[] = {
    Atom::NetWmPid,
    Atom::NetWmWindowType,
    Atom::NetWmState,
    Atom::WmState,
    Atom::NetFrameExtents,
    Atom::GtkFrameExtents,
    Atom::NetWmDesktop,
    Atom::GtkApplicationId,
    Atom::KdeNetWmDesktopFile,
    Atom::NetWmWindowOpacity,
    Atom::NetWmStrutPartial,
    Atom::NetWmStrut,
};

// The root's properties that `readRootInfo` reads.
constexpr Atom rootInfoAtoms[] = {
    Atom::NetClientList,        Atom::NetClientListStacking, Atom::NetCurrentDesktop,
    Atom::NetSupportingWmCheck, Atom::NetSupported,
};

// Every request about one window; they all go out before the first reply is awaited.
struct WindowCookies {
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    PropertyCookie wmClass, pid, type, transient, state, wmState, extents, gtkExtents, desktop,
        gtkAppId, kdeDesktopFile, opacity, strutPartial, strut;

    static WindowCookies request(X11Connection &connection, xcb_window_t w)
    {
        xcb_connection_t *c = connection.raw();
        const auto property = [&](Atom atom, uint32_t length) {
            return getProperty(c, w, connection.atom(atom), length);
        };
        WindowCookies k;
        k.geometry = xcb_get_geometry(c, w);
        k.origin = xcb_translate_coordinates(c, w, connection.root(), 0, 0);
        k.wmClass = getProperty(c, w, XCB_ATOM_WM_CLASS, textLength);
        k.pid = property(Atom::NetWmPid, 1);
        k.type = property(Atom::NetWmWindowType, listLength);
        k.transient = getProperty(c, w, XCB_ATOM_WM_TRANSIENT_FOR, 1);
        k.state = property(Atom::NetWmState, listLength);
        k.wmState = property(Atom::WmState, 2);
        k.extents = property(Atom::NetFrameExtents, 4);
        k.gtkExtents = property(Atom::GtkFrameExtents, 4);
        k.desktop = property(Atom::NetWmDesktop, 1);
        k.gtkAppId = property(Atom::GtkApplicationId, textLength);
        k.kdeDesktopFile = property(Atom::KdeNetWmDesktopFile, textLength);
        k.opacity = property(Atom::NetWmWindowOpacity, 1);
        k.strutPartial = property(Atom::NetWmStrutPartial, 12);
        k.strut = property(Atom::NetWmStrut, 4);
        return k;
    }

    void discard(X11Connection &connection) const
    {
        for (unsigned int s :
             {geometry.sequence, origin.sequence, wmClass.sequence, pid.sequence, type.sequence,
              transient.sequence, state.sequence, wmState.sequence, extents.sequence,
              gtkExtents.sequence, desktop.sequence, gtkAppId.sequence, kdeDesktopFile.sequence,
              opacity.sequence, strutPartial.sequence, strut.sequence}) {
            connection.discard(s);
        }
    }
};

// The replies to one window's requests, awaited in the order the requests went out.
struct WindowReplies {
    XReply<xcb_get_geometry_reply_t> geometry;
    XReply<xcb_translate_coordinates_reply_t> origin;
    PropertyReply wmClass, pid, type, transient, state, wmState, extents, gtkExtents, desktop,
        gtkAppId, kdeDesktopFile, opacity, strutPartial, strut;

    static WindowReplies collect(X11Connection &connection, const WindowCookies &k,
                                 Deadline deadline)
    {
        const auto property = [&](PropertyCookie cookie) {
            return connection.reply<xcb_get_property_reply_t>(cookie, deadline);
        };
        WindowReplies r;
        r.geometry = connection.reply<xcb_get_geometry_reply_t>(k.geometry, deadline);
        r.origin = connection.reply<xcb_translate_coordinates_reply_t>(k.origin, deadline);
        r.wmClass = property(k.wmClass);
        r.pid = property(k.pid);
        r.type = property(k.type);
        r.transient = property(k.transient);
        r.state = property(k.state);
        r.wmState = property(k.wmState);
        r.extents = property(k.extents);
        r.gtkExtents = property(k.gtkExtents);
        r.desktop = property(k.desktop);
        r.gtkAppId = property(k.gtkAppId);
        r.kdeDesktopFile = property(k.kdeDesktopFile);
        r.opacity = property(k.opacity);
        r.strutPartial = property(k.strutPartial);
        r.strut = property(k.strut);
        return r;
    }

    // The batch ran out of time (or the server went away): nothing more is awaited.
    bool timedOut() const
    {
        return geometry.status == ReplyStatus::timedOut || origin.status == ReplyStatus::timedOut
            || strut.status == ReplyStatus::timedOut
            || geometry.status == ReplyStatus::disconnected;
    }

    // Why the window could not be read, when its geometry or origin failed.
    X11WindowInfo::Status failure() const
    {
        const bool gone = geometry.errorCode == badWindow || origin.errorCode == badWindow
            || geometry.status == ReplyStatus::error;
        return gone ? X11WindowInfo::Status::gone : X11WindowInfo::Status::timedOut;
    }
};

// WM_CLASS: the instance and the class, each ended by a NUL.
void readWmClass(X11WindowInfo &info, const xcb_get_property_reply_t *reply)
{
    const auto *data = static_cast<const char *>(xcb_get_property_value(reply));
    const QByteArray bytes(data, xcb_get_property_value_length(reply));
    const QList<QByteArray> parts = bytes.split('\0');
    info.instance = parts.value(0).isEmpty() ? QString() : QString::fromLocal8Bit(parts.value(0));
    info.className = parts.size() > 1 ? QString::fromLocal8Bit(parts.value(1)) : QString();
}

void fill(X11WindowInfo &info, const WindowReplies &r)
{
    info.status = X11WindowInfo::Status::ok;
    info.client = RectD{double(r.origin->dst_x), double(r.origin->dst_y), double(r.geometry->width),
                        double(r.geometry->height)};
    if (r.wmClass.ok() && r.wmClass->format == 8) {
        readWmClass(info, r.wmClass.reply.get());
    }
    if (const std::optional<quint32> pid = firstCardinal(r.pid.reply.get())) {
        info.pid = processID(*pid);
    }
    info.types = cardinals(r.type.reply.get());
    info.transientFor = firstCardinal(r.transient.reply.get()).value_or(0);
    info.states = cardinals(r.state.reply.get());
    if (const std::optional<quint32> state = firstCardinal(r.wmState.reply.get())) {
        info.iconic = *state == iconicState;
    }
    info.frameExtents = extents(r.extents.reply.get());
    info.gtkFrameExtents = extents(r.gtkExtents.reply.get());
    info.clientSideDecorated = cardinals(r.gtkExtents.reply.get()).size() >= 4;
    info.desktop = firstCardinal(r.desktop.reply.get());
    info.gtkApplicationId = text(r.gtkAppId.reply.get());
    info.kdeDesktopFile = text(r.kdeDesktopFile.reply.get());
    if (const std::optional<quint32> opacity = firstCardinal(r.opacity.reply.get())) {
        info.opacity = double(*opacity) / fullOpacity;
    }
    info.strut = strutOf(r.strutPartial.reply.get(), r.strut.reply.get());
}

std::optional<qint32> localClientPid(const xcb_res_query_client_ids_reply_t *reply)
{
    std::optional<qint32> pid;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem;
         xcb_res_client_id_value_next(&it)) {
        const auto &[id, length] = *it.data;
        if (id.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID
            && xcb_res_client_id_value_value_length(it.data) >= 1) {
            if (const std::optional<qint32> value =
                    processID(*xcb_res_client_id_value_value(it.data))) {
                pid = value;
            }
        }
    }
    return pid;
}

// Asks X-Resource, in one batch, for the process of every window read without one.
void readMissingPids(X11Connection &connection, QList<X11WindowInfo> &infos, Deadline deadline)
{
    QList<int> missing;
    QList<xcb_res_query_client_ids_cookie_t> pidCookies;
    for (int i = 0; i < infos.size(); ++i) {
        if (infos[i].ok() && !infos[i].pid) {
            xcb_res_client_id_spec_t wanted{infos[i].window,
                                            XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            pidCookies.append(xcb_res_query_client_ids(connection.raw(), 1, &wanted));
            missing.append(i);
        }
    }
    for (int j = 0; j < missing.size(); ++j) {
        auto r = connection.reply<xcb_res_query_client_ids_reply_t>(pidCookies[j], deadline);
        if (!r.ok()) {
            continue;
        }
        if (const std::optional<qint32> pid = localClientPid(r.reply.get())) {
            infos[missing[j]].pid = pid;
        }
    }
}

} // namespace

bool isWindowInfoProperty(const X11Connection &connection, xcb_atom_t property)
{
    if (property == XCB_ATOM_WM_CLASS || property == XCB_ATOM_WM_TRANSIENT_FOR) {
        return true;
    }
    return std::any_of(std::begin(windowInfoAtoms), std::end(windowInfoAtoms),
                       [&](Atom a) { return connection.atom(a) == property; });
}

bool isRootInfoProperty(const X11Connection &connection, xcb_atom_t property)
{
    return std::any_of(std::begin(rootInfoAtoms), std::end(rootInfoAtoms),
                       [&](Atom a) { return connection.atom(a) == property; });
}

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

std::optional<Strut> strutOf(const xcb_get_property_reply_t *partial,
                             const xcb_get_property_reply_t *legacy)
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

std::optional<QString> readWindowTitle(X11Connection &connection, xcb_window_t window,
                                       Deadline deadline)
{
    const auto cookie =
        xcb_get_property(connection.raw(), 0, window, connection.atom(Atom::NetWmName),
                         connection.atom(Atom::Utf8String), 0, 4096);
    const auto reply = connection.reply<xcb_get_property_reply_t>(cookie, deadline);
    if (!reply.ok() || reply->type == XCB_NONE) {
        return std::nullopt;
    }
    return text(reply.reply.get());
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
    return RectD{client.x - left, client.y - top, client.width + left + right,
                 client.height + top + bottom};
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
        if (type == connection.atom(Atom::NetWmWindowTypeUtility)
            || type == connection.atom(Atom::NetWmWindowTypeToolbar)
            || type == connection.atom(Atom::NetWmWindowTypeMenu)
            || type == connection.atom(Atom::NetWmWindowTypeSplash)) {
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

QList<X11WindowInfo> readWindowInfos(X11Connection &connection, const QList<xcb_window_t> &windows,
                                     Deadline deadline)
{
    QList<WindowCookies> cookies;
    cookies.reserve(windows.size());
    for (xcb_window_t w : windows) {
        cookies.append(WindowCookies::request(connection, w));
    }
    connection.flush();

    QList<X11WindowInfo> infos;
    infos.reserve(windows.size());
    bool timedOut = false;
    for (int i = 0; i < windows.size(); ++i) {
        X11WindowInfo info;
        info.window = windows[i];
        if (timedOut) {
            // Past the deadline nothing more is awaited; the replies are thrown away.
            cookies[i].discard(connection);
            infos.append(info);
            continue;
        }
        const WindowReplies replies = WindowReplies::collect(connection, cookies[i], deadline);
        if (replies.timedOut()) {
            timedOut = true;
        } else if (!replies.geometry.ok() || !replies.origin.ok()) {
            info.status = replies.failure();
        } else {
            fill(info, replies);
        }
        infos.append(info);
    }

    // Clients that do not say their process: the server knows it from the connection.
    if (connection.hasResource()) {
        readMissingPids(connection, infos, deadline);
    }
    return infos;
}

QList<X11WindowInfo> readClientPlaces(X11Connection &connection, QList<X11WindowInfo> known,
                                      Deadline deadline)
{
    xcb_connection_t *c = connection.raw();
    QList<xcb_get_geometry_cookie_t> sizes;
    QList<xcb_translate_coordinates_cookie_t> origins;
    for (const X11WindowInfo &info : known) {
        sizes.append(xcb_get_geometry(c, info.window));
        origins.append(xcb_translate_coordinates(c, info.window, connection.root(), 0, 0));
    }
    connection.flush();
    bool timedOut = false;
    for (qsizetype i = 0; i < known.size(); ++i) {
        X11WindowInfo &info = known[i];
        if (timedOut) {
            connection.discard(sizes[i].sequence);
            connection.discard(origins[i].sequence);
            info.status = X11WindowInfo::Status::timedOut;
            continue;
        }
        WindowReplies r;
        r.geometry = connection.reply<xcb_get_geometry_reply_t>(sizes[i], deadline);
        r.origin = connection.reply<xcb_translate_coordinates_reply_t>(origins[i], deadline);
        if (r.geometry.status == ReplyStatus::timedOut || r.origin.status == ReplyStatus::timedOut
            || r.geometry.status == ReplyStatus::disconnected) {
            timedOut = true;
            info.status = X11WindowInfo::Status::timedOut;
        } else if (!r.geometry.ok() || !r.origin.ok()) {
            info.status = r.failure();
        } else {
            info.client = RectD{double(r.origin->dst_x), double(r.origin->dst_y),
                                double(r.geometry->width), double(r.geometry->height)};
        }
    }
    return known;
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
    if (!clientsReply.ok() || !stackingReply.ok() || !checkReply.ok() || !supportedReply.ok()
        || !geometryReply.ok()) {
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
        auto self = connection.reply<xcb_get_property_reply_t>(
            getProperty(c, v[0], connection.atom(Atom::NetSupportingWmCheck), 1), deadline);
        const QList<quint32> named = cardinals(self.reply.get());
        info.wmCheckValid = self.ok() && !named.isEmpty() && named[0] == v[0];
    }
    return info;
}

} // namespace ostrel::x11
