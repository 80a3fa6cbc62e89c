#pragma once

#include "system/x11/DesktopEntries.h"
#include "system/x11/X11Connection.h"
#include "system/x11/X11Monitors.h"
#include "system/x11/X11WindowInfo.h"

#include <QHash>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace ostrel::x11 {

// What every part of the backend reads about the desktop, in one batched snapshot: the window
// manager's root properties, every managed client window and the monitors. A snapshot stays
// valid until an X event says something it holds changed (a property it reads, a configure, a
// map, a destroy on the root or a known client, a change of RandR's monitors), and where the
// clients stand is read again once it is a second old, so a window scan that asks for many
// attributes of many windows costs a handful of round trips in all, not one per attribute. A
// change of one client alone costs a read of that client only, of its place alone when it only
// moved: a restore moves many windows and reads each back, and reading every window again after
// each move would make it slower with every window open.
// Thread-safe: the window service's actor thread and the main thread use it at once.
class X11Desktop {
public:
    struct Snapshot {
        // Changes with every full read: the root's properties, the window manager and the
        // monitors are as they were while it stays (a change of one client alone keeps it).
        quint64 generation = 0;
        // Changes whenever anything but where clients stand changes: while it stays, every
        // client's properties are as they were.
        quint64 structure = 0;
        X11RootInfo root;
        QList<X11WindowInfo> windows; // in _NET_CLIENT_LIST order; only readable ones
        QHash<xcb_window_t, int> index;
        QList<X11Monitor> monitors;
        double originX = 0; // the primary monitor's top left in root coordinates
        double originY = 0;
        const X11WindowInfo *find(xcb_window_t w) const
        {
            const auto it = index.constFind(w);
            return it == index.constEnd() ? nullptr : &windows[*it];
        }
    };

    explicit X11Desktop(std::shared_ptr<X11Connection> connection,
                        QStringList desktopEntryDirs = {});
    ~X11Desktop();
    X11Desktop(const X11Desktop &) = delete;
    X11Desktop &operator=(const X11Desktop &) = delete;

    X11Connection &connection() { return *connection_; }
    const std::shared_ptr<X11Connection> &sharedConnection() const { return connection_; }

    // The current snapshot, read afresh when stale; null when the server did not answer in time.
    std::shared_ptr<const Snapshot> snapshot(Deadline deadline);
    // The same for a caller that reads one client of it alone: the other clients' changes wait
    // for the next reader that needs them. A restore's moves land while it sends the next ones,
    // and reading every moved window again before each send would make it slower with every
    // window it moves.
    std::shared_ptr<const Snapshot> snapshotOf(xcb_window_t window, Deadline deadline);
    // The same for a caller that reads what the clients are (their properties, the root's, the
    // monitors, and where the docks that reserve screen edges stand) and not where the others
    // stand: their moves wait for the next reader that needs them. A restore asks before each
    // window's move which applications run and what the screens are; reading every window the
    // restore moved so far again each time would cost a round trip a window.
    std::shared_ptr<const Snapshot> structure(Deadline deadline);
    // Forget what is known, e.g. after this process changed a window itself.
    void invalidate()
    {
        monitorGeneration_.fetch_add(1);
        renew();
    }
    // A number that stays while nothing but where clients stand has changed since it was last
    // asked (as far as the events that came in tell).
    quint64 structureRevision()
    {
        connection_->pumpEvents();
        return structureChanges_.load();
    }
    // Forget what is known about one client, e.g. after this process changed its state.
    void invalidate(xcb_window_t window);
    // Forget where one client stands, e.g. after this process moved it: the next reader reads
    // its place again, and the rest of it only if something else of it changed.
    void invalidatePlace(xcb_window_t window);
    // Whether the event is one of RandR's notifications that the screens, CRTCs or outputs
    // changed (the desktop selects them on the root).
    bool isMonitorEvent(const xcb_generic_event_t &event) const;
    // Whether the event tells of a child of the root as the root's substructure selection
    // reports it (the desktop selects it for the screens); the child's own selection, where
    // there is one, reports it once more.
    bool isRootChildEvent(const xcb_generic_event_t &event) const;
    // Whether the event may change what windowManagerIsUsable answers: the root's word on its
    // window manager changed, or the window manager's check window went away.
    bool isWindowManagerEvent(const xcb_generic_event_t &event) const;

    // Trusted: an EWMH window manager is running (its check window exists and names itself) and
    // it supports the client list and _NET_MOVERESIZE_WINDOW. Read afresh whenever an event
    // may have changed the answer (the root's word on its window manager, the check window's
    // end), so asking before every move of a restore costs nothing while it stands.
    bool windowManagerIsUsable(Deadline deadline);

    // The application id and name of a client (desktop entry, else WM_CLASS).
    struct Identity {
        QString bundleID;
        QString name;
    };
    Identity identify(const X11WindowInfo &info);

private:
    std::shared_ptr<X11Connection> connection_;
    DesktopEntries desktopEntries_;
    int subscription_ = 0;
    // Written before the subscription starts, read-only afterwards.
    std::optional<uint8_t> randrFirstEvent_;
    // What changed of a client since the snapshot was read.
    enum class Change { place, everything };
    using ChangedWindows = QHash<xcb_window_t, Change>;
    ChangedWindows takeChangedWindows();
    std::optional<Change> takeChangedWindow(xcb_window_t window);
    // The changes of the clients `structure` reads again; the other changes stay.
    ChangedWindows takeStructureChanges(const Snapshot &known);
    // A change taken that could not be read: it stays for the next reader.
    void keepChanged(xcb_window_t window, Change change);
    // Called with `mutex_` held: whether the cached snapshot's root and monitors still hold.
    bool cacheCurrent() const;
    // Called with `mutex_` held: whether the clients' places were all read recently enough.
    bool placesCurrent(std::chrono::steady_clock::time_point now) const;
    // Everything but where a client stands is told by events: the server reports every
    // property change to the windows that select it, and a client's own moves and resizes. A
    // window manager moves the frame, though, and the client inside is told only if the window
    // manager sends it word, which icewm and KWin often do not. The places are therefore read
    // again when they are this old, two requests a window, rather than everything.
    static constexpr std::chrono::milliseconds placesLifetime{1000};
    // Reads everything afresh; called with `mutex_` held.
    std::shared_ptr<const Snapshot> readAll(Deadline deadline);
    // The same, and a failed read leaves everything to be read again next time.
    std::shared_ptr<const Snapshot> readAllOrForget(Deadline deadline);
    std::shared_ptr<const Snapshot> refreshed(const ChangedWindows &changed, Deadline deadline);

    std::optional<bool> readWindowManagerUsable(Deadline deadline);

    // The last answer about the window manager, valid while `windowManagerGeneration_` stays.
    std::atomic<xcb_window_t> lastWmCheck_{XCB_NONE};
    std::atomic<quint64> windowManagerGeneration_{1};
    std::mutex windowManagerMutex_;
    quint64 windowManagerCheckedAt_ = 0;
    bool windowManagerUsable_ = false;
    std::atomic<quint64> generation_{1};
    std::atomic<quint64> structureChanges_{1};
    quint64 structures_ = 0; // under `mutex_`
    void renew()
    {
        generation_.fetch_add(1);
        structureChanges_.fetch_add(1);
    }
    std::atomic<quint64> monitorGeneration_{1};
    // Clients changed since the snapshot was read. Its own lock: events arrive (and take it)
    // while a reader holds `mutex_` and pumps them.
    std::mutex changedMutex_;
    ChangedWindows changedWindows_;
    std::mutex mutex_;
    std::shared_ptr<const Snapshot> cached_;
    quint64 cachedGeneration_ = 0;
    quint64 cachedMonitorGeneration_ = 0;
    std::chrono::steady_clock::time_point cachedAt_;
};

} // namespace ostrel::x11
