#include "system/x11/X11StrutWindows.h"

#include "system/x11/X11WindowInfo.h"

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
    std::optional<xcb_query_tree_cookie_t> children;
};

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

// The frames of the windows in root coordinates, in one batch; nullopt on a time-out.
std::optional<QList<RectD>> framesOf(X11Connection &connection, const QList<xcb_window_t> &windows,
                                     Deadline deadline)
{
    std::vector<std::pair<xcb_get_geometry_cookie_t, xcb_translate_coordinates_cookie_t>> cookies;
    for (xcb_window_t w : windows) {
        cookies.emplace_back(
            xcb_get_geometry(connection.raw(), w),
            xcb_translate_coordinates(connection.raw(), w, connection.root(), 0, 0));
    }
    QList<RectD> frames;
    for (const auto &[size, origin] : cookies) {
        auto g = connection.reply<xcb_get_geometry_reply_t>(size, deadline);
        auto o = connection.reply<xcb_translate_coordinates_reply_t>(origin, deadline);
        if (g.status == ReplyStatus::timedOut || o.status == ReplyStatus::timedOut) {
            return std::nullopt;
        }
        frames.append(g.ok() && o.ok() ? RectD{double(o->dst_x), double(o->dst_y), double(g->width),
                                               double(g->height)}
                                       : RectD{});
    }
    return frames;
}

} // namespace

QList<StrutWindow> readUnmanagedStrutWindows(X11Connection &connection,
                                             const QList<xcb_window_t> &clients, Deadline deadline)
{
    xcb_connection_t *c = connection.raw();
    const QSet<xcb_window_t> managed(clients.begin(), clients.end());
    std::optional<QList<xcb_window_t>> level =
        childrenOf(connection, {connection.root()}, deadline);
    QList<xcb_window_t> reserving;
    QList<Strut> struts;
    for (int depth = 1; level && !level->isEmpty(); ++depth) {
        QList<xcb_window_t> windows;
        std::vector<Examined> examined;
        for (xcb_window_t w : *level) {
            if (managed.contains(w)) {
                continue;
            }
            windows.append(w);
            examined.push_back(
                {xcb_get_window_attributes(c, w),
                 xcb_get_property(c, 0, w, connection.atom(Atom::NetWmStrutPartial),
                                  XCB_ATOM_CARDINAL, 0, 12),
                 xcb_get_property(c, 0, w, connection.atom(Atom::NetWmStrut), XCB_ATOM_CARDINAL, 0,
                                  4),
                 depth < searchDepth ? std::optional(xcb_query_tree(c, w)) : std::nullopt});
        }
        QList<xcb_window_t> next;
        for (size_t i = 0; i < examined.size(); ++i) {
            auto attributes = connection.reply<xcb_get_window_attributes_reply_t>(
                examined[i].attributes, deadline);
            auto partial =
                connection.reply<xcb_get_property_reply_t>(examined[i].partial, deadline);
            auto legacy = connection.reply<xcb_get_property_reply_t>(examined[i].legacy, deadline);
            XReply<xcb_query_tree_reply_t> tree;
            if (examined[i].children) {
                tree = connection.reply<xcb_query_tree_reply_t>(*examined[i].children, deadline);
            }
            if (attributes.status == ReplyStatus::timedOut
                || partial.status == ReplyStatus::timedOut || legacy.status == ReplyStatus::timedOut
                || tree.status == ReplyStatus::disconnected) {
                return {};
            }
            // An unmapped window reserves nothing, and nothing inside it is shown.
            if (!attributes.ok() || attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
                continue;
            }
            if (const std::optional<Strut> strut =
                    strutOf(partial.reply.get(), legacy.reply.get())) {
                reserving.append(windows[int(i)]);
                struts.append(*strut);
            }
            if (tree.ok()) {
                const xcb_window_t *list = xcb_query_tree_children(tree.reply.get());
                next.append(QList<xcb_window_t>(
                    list, list + xcb_query_tree_children_length(tree.reply.get())));
            }
        }
        level = std::move(next);
    }
    if (!level) {
        return {};
    }
    const std::optional<QList<RectD>> frames = framesOf(connection, reserving, deadline);
    if (!frames) {
        return {};
    }
    QList<StrutWindow> out;
    for (int i = 0; i < reserving.size(); ++i) {
        out.append({frames->at(i), struts[i]});
    }
    return out;
}

} // namespace ostrel::x11
