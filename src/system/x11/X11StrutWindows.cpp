#include "system/x11/X11StrutWindows.h"

#include "system/x11/X11WindowInfo.h"

#include <QHash>
#include <QSet>

#include <vector>

namespace ostrel::x11 {

namespace {

// Frames, the windows inside them, and what those hold: deep enough for every window manager's
// own panels, shallow enough that the search never walks an application's widgets.
constexpr int searchDepth = 3;

struct Examined {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_property_cookie_t partial;
    xcb_get_property_cookie_t legacy;
};

Examined examine(X11Connection &connection, xcb_window_t w)
{
    xcb_connection_t *c = connection.raw();
    return {xcb_get_window_attributes(c, w),
            xcb_get_property(c, 0, w, connection.atom(Atom::NetWmStrutPartial), XCB_ATOM_CARDINAL,
                             0, 12),
            xcb_get_property(c, 0, w, connection.atom(Atom::NetWmStrut), XCB_ATOM_CARDINAL, 0, 4)};
}

struct Seen {
    bool timedOut = false;
    bool viewable = false;
    std::optional<Strut> strut; // read only while the window is viewable
};

Seen collect(X11Connection &connection, const Examined &examined, Deadline deadline)
{
    auto attributes =
        connection.reply<xcb_get_window_attributes_reply_t>(examined.attributes, deadline);
    auto partial = connection.reply<xcb_get_property_reply_t>(examined.partial, deadline);
    auto legacy = connection.reply<xcb_get_property_reply_t>(examined.legacy, deadline);
    Seen seen;
    if (attributes.status == ReplyStatus::timedOut || partial.status == ReplyStatus::timedOut
        || legacy.status == ReplyStatus::timedOut
        || attributes.status == ReplyStatus::disconnected) {
        seen.timedOut = true;
        return seen;
    }
    // An unmapped window reserves nothing, and nothing inside it is shown.
    seen.viewable = attributes.ok() && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    if (seen.viewable) {
        seen.strut = strutOf(partial.reply.get(), legacy.reply.get());
    }
    return seen;
}

// The children of each parent, in one batch; nullopt on a time-out.
std::optional<QList<xcb_window_t>> childrenOf(X11Connection &connection,
                                              const QList<xcb_window_t> &parents, Deadline deadline)
{
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (xcb_window_t parent : parents) {
        cookies.push_back(xcb_query_tree(connection.raw(), parent));
    }
    QList<xcb_window_t> children;
    for (const xcb_query_tree_cookie_t &cookie : cookies) {
        auto tree = connection.reply<xcb_query_tree_reply_t>(cookie, deadline);
        if (tree.status == ReplyStatus::timedOut || tree.status == ReplyStatus::disconnected) {
            return std::nullopt;
        }
        if (tree.ok()) {
            const xcb_window_t *list = xcb_query_tree_children(tree.reply.get());
            children.append(
                QList<xcb_window_t>(list, list + xcb_query_tree_children_length(tree.reply.get())));
        }
    }
    return children;
}

// Selects the changes to watch on the windows, then reads the reserving ones again with their
// frames in root coordinates, in one batch; nullopt on a time-out.
std::optional<UnmanagedStruts> watchAndReread(X11Connection &connection,
                                              const QList<xcb_window_t> &reserving,
                                              const QList<xcb_window_t> &watched, Deadline deadline)
{
    xcb_connection_t *c = connection.raw();
    // The mask the desktop selects on its clients: a selection replaces what this connection
    // selected on the window before, and one of these windows may be a client one day.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_window_t w : watched) {
        // The window may be gone already; the read below says so, and the error is dropped.
        connection.discard(
            xcb_change_window_attributes_checked(c, w, XCB_CW_EVENT_MASK, &mask).sequence);
    }
    struct Cookies {
        Examined examined;
        xcb_get_geometry_cookie_t size;
        xcb_translate_coordinates_cookie_t origin;
    };
    std::vector<Cookies> cookies;
    for (xcb_window_t w : reserving) {
        cookies.push_back({examine(connection, w), xcb_get_geometry(c, w),
                           xcb_translate_coordinates(c, w, connection.root(), 0, 0)});
    }
    UnmanagedStruts out;
    out.watched = watched;
    for (size_t i = 0; i < cookies.size(); ++i) {
        const Seen seen = collect(connection, cookies[i].examined, deadline);
        auto g = connection.reply<xcb_get_geometry_reply_t>(cookies[i].size, deadline);
        auto o = connection.reply<xcb_translate_coordinates_reply_t>(cookies[i].origin, deadline);
        if (seen.timedOut || g.status == ReplyStatus::timedOut
            || o.status == ReplyStatus::timedOut) {
            return std::nullopt;
        }
        if (!seen.strut || !g.ok() || !o.ok()) {
            continue; // it changed since the search saw it; the new state is the one that holds
        }
        out.reserving.append(reserving[int(i)]);
        out.struts.append(
            {RectD{double(o->dst_x), double(o->dst_y), double(g->width), double(g->height)},
             *seen.strut});
    }
    return out;
}

} // namespace

std::optional<UnmanagedStruts>
readUnmanagedStrutWindows(X11Connection &connection, const QList<xcb_window_t> &clients,
                          Deadline deadline, const QList<xcb_window_t> &top,
                          const std::function<void(const QList<xcb_window_t> &)> &watching)
{
    xcb_connection_t *c = connection.raw();
    const QSet<xcb_window_t> managed(clients.begin(), clients.end());
    std::optional<QList<xcb_window_t>> level =
        top.isEmpty() ? childrenOf(connection, {connection.root()}, deadline) : top;
    // Below the first level: each window's parent, to find what lies between a reserving window
    // and the root.
    QHash<xcb_window_t, xcb_window_t> parents;
    QList<xcb_window_t> reserving;
    for (int depth = 1; level && !level->isEmpty(); ++depth) {
        QList<xcb_window_t> windows;
        std::vector<std::pair<Examined, std::optional<xcb_query_tree_cookie_t>>> examined;
        for (xcb_window_t w : *level) {
            if (managed.contains(w)) {
                continue;
            }
            windows.append(w);
            examined.emplace_back(examine(connection, w),
                                  depth < searchDepth ? std::optional(xcb_query_tree(c, w))
                                                      : std::nullopt);
        }
        QList<xcb_window_t> next;
        for (size_t i = 0; i < examined.size(); ++i) {
            const Seen seen = collect(connection, examined[i].first, deadline);
            XReply<xcb_query_tree_reply_t> tree;
            if (examined[i].second) {
                tree = connection.reply<xcb_query_tree_reply_t>(*examined[i].second, deadline);
            }
            if (seen.timedOut || tree.status == ReplyStatus::disconnected) {
                return std::nullopt;
            }
            if (!seen.viewable) {
                continue;
            }
            if (seen.strut) {
                reserving.append(windows[int(i)]);
            }
            if (tree.ok()) {
                const xcb_window_t *list = xcb_query_tree_children(tree.reply.get());
                for (int k = 0; k < xcb_query_tree_children_length(tree.reply.get()); ++k) {
                    next.append(list[k]);
                    parents.insert(list[k], windows[int(i)]);
                }
            }
        }
        level = std::move(next);
    }
    if (!level) {
        return std::nullopt;
    }
    QList<xcb_window_t> watched;
    QSet<xcb_window_t> seen;
    for (xcb_window_t w : reserving) {
        for (auto at = w; !seen.contains(at); at = parents.value(at, at)) {
            seen.insert(at);
            watched.append(at);
        }
    }
    watching(watched);
    return watchAndReread(connection, reserving, watched, deadline);
}

} // namespace ostrel::x11
