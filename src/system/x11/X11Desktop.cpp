#include "system/x11/X11Desktop.h"

#include <QHash>

#include <xcb/randr.h>

#include <utility>

namespace ostrel::x11 {

X11Desktop::X11Desktop(std::shared_ptr<X11Connection> connection, QStringList desktopEntryDirs)
    : connection_(std::move(connection))
    , desktopEntries_(std::move(desktopEntryDirs))
{
    xcb_connection_t *c = connection_->raw();
    // A new layout of the monitors also configures the root, but another monitor on the same
    // connector (a new EDID) is told by RandR alone.
    if (const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
        randr && randr->present) {
        randrFirstEvent_ = randr->first_event;
        xcb_randr_select_input(
            c, connection_->root(),
            XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE
                | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_PROPERTY);
    }
    subscription_ = connection_->subscribe([this](const xcb_generic_event_t &event) {
        if (isRootChildEvent(event)) {
            return; // the windows this cares about tell of themselves
        }
        if (isMonitorEvent(event)) {
            monitorGeneration_.fetch_add(1);
            renew();
            return;
        }
        if (isWindowManagerEvent(event)) {
            windowManagerGeneration_.fetch_add(1);
        }
        // A client's own change ends what is known of that client; the root's ends everything.
        // Properties that are not read change nothing: applications set some of them all the
        // time (Qt appends to one on the root to learn the server's time, a key press is enough).
        switch (event.response_type & 0x7F) {
        case XCB_PROPERTY_NOTIFY: {
            const auto &notify = reinterpret_cast<const xcb_property_notify_event_t &>(event);
            if (notify.window == connection_->root()) {
                if (isRootInfoProperty(*connection_, notify.atom)) {
                    renew();
                }
            } else if (isWindowInfoProperty(*connection_, notify.atom)) {
                invalidate(notify.window);
            }
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const xcb_window_t window =
                reinterpret_cast<const xcb_configure_notify_event_t &>(event).window;
            if (window == connection_->root()) {
                renew();
            } else {
                invalidatePlace(window);
            }
            break;
        }
        case XCB_DESTROY_NOTIFY:
            renew();
            break;
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_REPARENT_NOTIFY:
            renew();
            break;
        default:
            break;
        }
    });
    // The root's children coming and going are for the screens, whose reservations rest on
    // them; this connection's selection on the root is made here alone, since each one replaces
    // the one before.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY
        | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, connection_->root(), XCB_CW_EVENT_MASK, &mask);
    connection_->flush();
}

bool X11Desktop::isRootChildEvent(const xcb_generic_event_t &event) const
{
    // These all carry the window that heard of it first and the one it happened to, in the same
    // place; for CreateNotify the first is the parent.
    switch (event.response_type & 0x7F) {
    case XCB_CREATE_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
    case XCB_GRAVITY_NOTIFY:
    case XCB_CIRCULATE_NOTIFY: {
        const auto &notify = reinterpret_cast<const xcb_map_notify_event_t &>(event);
        return notify.event == connection_->root() && notify.window != connection_->root();
    }
    default:
        return false;
    }
}

bool X11Desktop::isWindowManagerEvent(const xcb_generic_event_t &event) const
{
    switch (event.response_type & 0x7F) {
    case XCB_PROPERTY_NOTIFY: {
        const auto &property = reinterpret_cast<const xcb_property_notify_event_t &>(event);
        return property.window == connection_->root()
            && (property.atom == connection_->atom(Atom::NetSupportingWmCheck)
                || property.atom == connection_->atom(Atom::NetSupported));
    }
    case XCB_DESTROY_NOTIFY:
        return reinterpret_cast<const xcb_destroy_notify_event_t &>(event).window
            == lastWmCheck_.load();
    default:
        return false;
    }
}

bool X11Desktop::isMonitorEvent(const xcb_generic_event_t &event) const
{
    const uint8_t type = event.response_type & 0x7F;
    return randrFirstEvent_
        && (type == *randrFirstEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY
            || type == *randrFirstEvent_ + XCB_RANDR_NOTIFY);
}

X11Desktop::~X11Desktop()
{
    connection_->unsubscribe(subscription_);
}

void X11Desktop::invalidate(xcb_window_t window)
{
    structureChanges_.fetch_add(1);
    std::lock_guard lock(changedMutex_);
    changedWindows_.insert(window, Change::everything);
}

void X11Desktop::invalidatePlace(xcb_window_t window)
{
    std::lock_guard lock(changedMutex_);
    // Never lowers what a property change asked for.
    if (!changedWindows_.contains(window)) {
        changedWindows_.insert(window, Change::place);
    }
}

void X11Desktop::keepChanged(xcb_window_t window, Change change)
{
    std::lock_guard lock(changedMutex_);
    const auto known = changedWindows_.constFind(window);
    if (known == changedWindows_.constEnd() || *known == Change::place) {
        changedWindows_.insert(window, change);
    }
}

X11Desktop::ChangedWindows X11Desktop::takeChangedWindows()
{
    std::lock_guard lock(changedMutex_);
    return std::exchange(changedWindows_, {});
}

std::optional<X11Desktop::Change> X11Desktop::takeChangedWindow(xcb_window_t window)
{
    std::lock_guard lock(changedMutex_);
    const auto found = changedWindows_.constFind(window);
    if (found == changedWindows_.constEnd()) {
        return std::nullopt;
    }
    const Change change = *found;
    changedWindows_.erase(found);
    return change;
}

bool X11Desktop::cacheCurrent() const
{
    return cached_ && cachedGeneration_ == generation_.load();
}

bool X11Desktop::placesCurrent(std::chrono::steady_clock::time_point now) const
{
    return now - cachedAt_ < placesLifetime;
}

std::shared_ptr<const X11Desktop::Snapshot> X11Desktop::snapshot(Deadline deadline)
{
    std::lock_guard lock(mutex_);
    // Events already on the socket say whether what we hold is still true.
    connection_->pumpEvents();
    // Taken before anything is read: a change that arrives while reading is seen next time.
    ChangedWindows changed = takeChangedWindows();
    if (cacheCurrent()) {
        const auto now = std::chrono::steady_clock::now();
        const bool placesAged = !placesCurrent(now);
        if (placesAged) {
            for (xcb_window_t w : cached_->root.clientList) {
                if (!changed.contains(w)) {
                    changed.insert(w, Change::place);
                }
            }
        }
        if (changed.isEmpty()) {
            return cached_;
        }
        if (auto fresh = refreshed(changed, deadline)) {
            if (placesAged) {
                cachedAt_ = now;
            }
            return fresh;
        }
    }
    return readAllOrForget(deadline);
}

std::shared_ptr<const X11Desktop::Snapshot> X11Desktop::snapshotOf(xcb_window_t window,
                                                                   Deadline deadline)
{
    std::unique_lock lock(mutex_);
    connection_->pumpEvents();
    if (cacheCurrent() && placesCurrent(std::chrono::steady_clock::now())) {
        const std::optional<Change> change = takeChangedWindow(window);
        if (!change) {
            return cached_;
        }
        if (auto fresh = refreshed({{window, *change}}, deadline)) {
            return fresh;
        }
        // Not read in time: the change stays to be read, and the caller gets no answer rather
        // than the window as it no longer is.
        keepChanged(window, *change);
        return nullptr;
    }
    // Old places are read again for every window at once, as a whole snapshot.
    lock.unlock();
    return snapshot(deadline);
}

std::shared_ptr<const X11Desktop::Snapshot> X11Desktop::structure(Deadline deadline)
{
    std::unique_lock lock(mutex_);
    connection_->pumpEvents();
    if (cacheCurrent()) {
        const ChangedWindows changed = takeStructureChanges(*cached_);
        if (changed.isEmpty()) {
            return cached_;
        }
        if (auto fresh = refreshed(changed, deadline)) {
            return fresh;
        }
        for (auto it = changed.constBegin(); it != changed.constEnd(); ++it) {
            keepChanged(it.key(), it.value());
        }
        return nullptr;
    }
    lock.unlock();
    return snapshot(deadline);
}

X11Desktop::ChangedWindows X11Desktop::takeStructureChanges(const Snapshot &known)
{
    std::lock_guard lock(changedMutex_);
    ChangedWindows taken;
    for (auto it = changedWindows_.begin(); it != changedWindows_.end();) {
        const X11WindowInfo *info = known.find(it.key());
        if (it.value() == Change::everything || (info && info->strut)) {
            taken.insert(it.key(), it.value());
            it = changedWindows_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

std::shared_ptr<const X11Desktop::Snapshot> X11Desktop::readAllOrForget(Deadline deadline)
{
    auto all = readAll(deadline);
    if (!all) {
        // The changes taken for this read were not read: without this the cached snapshot
        // would pass for current and hide them.
        renew();
    }
    return all;
}

std::shared_ptr<const X11Desktop::Snapshot> X11Desktop::readAll(Deadline deadline)
{
    const auto now = std::chrono::steady_clock::now();
    const quint64 generation = generation_.load();
    const quint64 monitorGeneration = monitorGeneration_.load();
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->generation = generation;
    snapshot->structure = ++structures_;
    snapshot->root = readRootInfo(*connection_, deadline);
    if (!snapshot->root.ok) {
        return nullptr;
    }
    // Watch the clients so that their changes end this snapshot's life. Every time, not once per
    // window id: the server hands a closed client's ids to the next client that connects, and a
    // new window under an old id would otherwise go unwatched.
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_window_t w : snapshot->root.clientList) {
        xcb_change_window_attributes(connection_->raw(), w, XCB_CW_EVENT_MASK, &mask);
    }
    const QList<X11WindowInfo> infos =
        readWindowInfos(*connection_, snapshot->root.clientList, deadline);
    for (const X11WindowInfo &info : infos) {
        if (info.status == X11WindowInfo::Status::timedOut) {
            return nullptr;
        }
        if (info.ok()) {
            snapshot->index.insert(info.window, int(snapshot->windows.size()));
            snapshot->windows.append(info);
        }
    }
    // The monitors change only with RandR's notifications; the root's properties far more often
    // (the active window, the stacking order).
    if (cached_ && cachedMonitorGeneration_ == monitorGeneration) {
        snapshot->monitors = cached_->monitors;
    } else {
        snapshot->monitors = readMonitors(*connection_, deadline);
    }
    if (snapshot->monitors.isEmpty()) {
        return nullptr;
    }
    const X11Monitor *primary = &snapshot->monitors.first();
    for (const X11Monitor &m : snapshot->monitors) {
        if (m.primary) {
            primary = &m;
            break;
        }
    }
    snapshot->originX = primary->frame.x;
    snapshot->originY = primary->frame.y;
    cached_ = snapshot;
    cachedGeneration_ = generation;
    cachedMonitorGeneration_ = monitorGeneration;
    cachedAt_ = now;
    return cached_;
}

// The cached snapshot with the changed clients read again; null when the server did not
// answer, and the caller then reads everything. The root is not read again: any change of its
// properties (the client list, the window manager's) ends the whole snapshot's life, so while
// the snapshot lives the root is as it was. A client that only moved or changed its size has
// its place read again and nothing else. Called with `mutex_` held.
std::shared_ptr<const X11Desktop::Snapshot> X11Desktop::refreshed(const ChangedWindows &changed,
                                                                  Deadline deadline)
{
    QList<xcb_window_t> targets;
    QList<X11WindowInfo> moved;
    for (xcb_window_t w : cached_->root.clientList) {
        const auto change = changed.constFind(w);
        if (change == changed.constEnd()) {
            continue;
        }
        const X11WindowInfo *known = cached_->find(w);
        if (*change == Change::place && known) {
            moved.append(*known);
        } else {
            targets.append(w);
        }
    }
    QHash<xcb_window_t, X11WindowInfo> fresh;
    for (const QList<X11WindowInfo> &read : {readWindowInfos(*connection_, targets, deadline),
                                             readClientPlaces(*connection_, moved, deadline)}) {
        for (const X11WindowInfo &info : read) {
            if (info.status == X11WindowInfo::Status::timedOut) {
                return nullptr;
            }
            fresh.insert(info.window, info);
        }
    }
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->generation = cached_->generation;
    snapshot->structure = targets.isEmpty() ? cached_->structure : ++structures_;
    snapshot->root = cached_->root;
    snapshot->monitors = cached_->monitors;
    snapshot->originX = cached_->originX;
    snapshot->originY = cached_->originY;
    for (xcb_window_t w : snapshot->root.clientList) {
        const auto f = fresh.constFind(w);
        const X11WindowInfo *info = f != fresh.constEnd() ? &*f : cached_->find(w);
        if (info && info->ok()) {
            snapshot->index.insert(w, int(snapshot->windows.size()));
            snapshot->windows.append(*info);
        }
    }
    // The places' age still counts from the last time every place was read.
    cached_ = snapshot;
    return cached_;
}

bool X11Desktop::windowManagerIsUsable(Deadline deadline)
{
    if (connection_->hasError()) {
        return false;
    }
    // Events already on the socket say whether the last answer still holds.
    connection_->pumpEvents();
    const quint64 generation = windowManagerGeneration_.load();
    {
        std::lock_guard lock(windowManagerMutex_);
        if (windowManagerCheckedAt_ == generation) {
            return windowManagerUsable_;
        }
    }
    const std::optional<bool> usable = readWindowManagerUsable(deadline);
    if (!usable) {
        return false;
    }
    std::lock_guard lock(windowManagerMutex_);
    windowManagerCheckedAt_ = generation;
    windowManagerUsable_ = *usable;
    return *usable;
}

// Nothing when the server did not answer in time.
std::optional<bool> X11Desktop::readWindowManagerUsable(Deadline deadline)
{
    // The check window of last time is asked in the same batch as the root's properties, so a
    // window manager that stays costs one round trip; a new one, a second. Its destruction is
    // watched from before its property is read, so a window manager that dies after this read
    // ends the answer's life.
    xcb_connection_t *c = connection_->raw();
    const auto property = [&](xcb_window_t w, Atom name, uint32_t length) {
        return xcb_get_property(c, 0, w, connection_->atom(name), XCB_ATOM_ANY, 0, length);
    };
    const auto named = [&](xcb_window_t check) {
        // The window may be gone already; the property read then says so, and the error of
        // the selection is dropped.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        connection_->discard(
            xcb_change_window_attributes_checked(c, check, XCB_CW_EVENT_MASK, &mask).sequence);
        return property(check, Atom::NetSupportingWmCheck, 1);
    };
    const xcb_window_t lastCheck = lastWmCheck_.load();
    const auto checkCookie = property(connection_->root(), Atom::NetSupportingWmCheck, 1);
    const auto supportedCookie = property(connection_->root(), Atom::NetSupported, 1024);
    const auto lastCheckCookie = named(lastCheck);
    auto check = connection_->reply<xcb_get_property_reply_t>(checkCookie, deadline);
    auto supported = connection_->reply<xcb_get_property_reply_t>(supportedCookie, deadline);
    auto self = connection_->reply<xcb_get_property_reply_t>(lastCheckCookie, deadline);
    if (check.status == ReplyStatus::timedOut || supported.status == ReplyStatus::timedOut) {
        return std::nullopt;
    }
    const QList<quint32> checkValue = cardinals(check.reply.get());
    if (!check.ok() || !supported.ok() || checkValue.isEmpty() || !checkValue[0]) {
        return false;
    }
    const xcb_window_t wmCheck = checkValue[0];
    if (wmCheck != lastCheck) {
        lastWmCheck_.store(wmCheck);
        self = connection_->reply<xcb_get_property_reply_t>(named(wmCheck), deadline);
    }
    if (self.status == ReplyStatus::timedOut) {
        return std::nullopt;
    }
    // A window manager that died leaves the root property behind; its check window does not
    // survive it.
    const QList<quint32> selfValue = cardinals(self.reply.get());
    if (!self.ok() || selfValue.isEmpty() || selfValue[0] != wmCheck) {
        return false;
    }
    const QList<quint32> atoms = cardinals(supported.reply.get());
    return atoms.contains(connection_->atom(Atom::NetClientList))
        && atoms.contains(connection_->atom(Atom::NetMoveresizeWindow));
}

X11Desktop::Identity X11Desktop::identify(const X11WindowInfo &info)
{
    if (const auto match = desktopEntries_.find(info.gtkApplicationId, info.kdeDesktopFile,
                                                info.instance, info.className)) {
        return {match->id, match->name};
    }
    const QString className = info.className.isEmpty() ? info.instance : info.className;
    return {className.toLower(), className};
}

} // namespace ostrel::x11
