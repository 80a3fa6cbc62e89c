#include "system/x11/X11Connection.h"

#include <xcb/randr.h>
#include <xcb/res.h>
#include <xcb/xcbext.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace ostrel::x11 {

std::shared_ptr<X11Connection> X11Connection::open(const std::string &display,
                                                   double timeoutSeconds)
{
    std::shared_ptr<X11Connection> self(new X11Connection);
    self->connection_ = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
    if (!self->connection_ || xcb_connection_has_error(self->connection_)) {
        return nullptr;
    }
    const Deadline deadline = deadlineIn(timeoutSeconds);
    xcb_connection_t *c = self->connection_;
    self->root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    // All atoms and both extensions in one batch: one round trip for the lot.
    xcb_prefetch_extension_data(c, &xcb_randr_id);
    xcb_prefetch_extension_data(c, &xcb_res_id);
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const char *name : atomNames) {
        cookies.push_back(xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name));
    }
    self->atoms_.assign(atomNames.size(), XCB_ATOM_NONE);
    for (size_t i = 0; i < cookies.size(); ++i) {
        auto r = self->reply<xcb_intern_atom_reply_t>(cookies[i], deadline);
        if (!r.ok()) {
            for (size_t j = i + 1; j < cookies.size(); ++j) {
                self->discard(cookies[j].sequence);
            }
            return nullptr;
        }
        self->atoms_[i] = r->atom;
    }
    // The prefetched extension replies came before the atoms' replies, so these do not block.
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (randr && randr->present) {
        auto version = self->reply<xcb_randr_query_version_reply_t>(
            xcb_randr_query_version(c, 1, 5), deadline);
        self->randr15_ =
            version.ok() && (version->major_version > 1 || version->minor_version >= 5);
    }
    const xcb_query_extension_reply_t *res = xcb_get_extension_data(c, &xcb_res_id);
    if (res && res->present) {
        auto version =
            self->reply<xcb_res_query_version_reply_t>(xcb_res_query_version(c, 1, 2), deadline);
        self->resource_ = version.ok() && (version->server_major > 1 || version->server_minor >= 2);
    }
    return self;
}

X11Connection::~X11Connection()
{
    if (connection_) {
        xcb_disconnect(connection_);
    }
}

ReplyStatus X11Connection::waitForReply(unsigned int sequence, Deadline deadline, void **reply,
                                        uint8_t *errorCode)
{
    *reply = nullptr;
    xcb_flush(connection_);
    for (;;) {
        xcb_generic_error_t *error = nullptr;
        if (xcb_poll_for_reply(connection_, sequence, reply, &error)) {
            if (error) {
                pumpEvents();
                if (errorCode) {
                    *errorCode = error->error_code;
                }
                std::free(error);
                std::free(*reply);
                *reply = nullptr;
                return ReplyStatus::error;
            }
            // Events that came in with the reply were read off the socket here, so nobody
            // watching the socket hears of them: hand them out now.
            pumpEvents();
            // A request without a reply that succeeded also lands here with no reply.
            return *reply ? ReplyStatus::ok : ReplyStatus::error;
        }
        if (xcb_connection_has_error(connection_)) {
            return ReplyStatus::disconnected;
        }
        pumpEvents();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            xcb_discard_reply(connection_, sequence);
            return ReplyStatus::timedOut;
        }
        waitForActivity(deadline);
    }
}

namespace {

// The wake descriptors of the threads that have waited on a connection, so the event pump can
// tell them that it read the socket. Never destroyed: threads may end after static destructors.
struct WakeRegistry {
    std::mutex mutex;
    std::vector<int> descriptors;
};

WakeRegistry &wakeRegistry()
{
    static WakeRegistry *registry = new WakeRegistry;
    return *registry;
}

// One per thread, registered for the thread's life: a wake that comes between a caller's look
// and its wait is kept in the counter and ends that wait at once.
struct ThreadWake {
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ThreadWake()
    {
        if (fd >= 0) {
            std::lock_guard lock(wakeRegistry().mutex);
            wakeRegistry().descriptors.push_back(fd);
        }
    }
    ~ThreadWake()
    {
        if (fd >= 0) {
            WakeRegistry &registry = wakeRegistry();
            std::lock_guard lock(registry.mutex);
            registry.descriptors.erase(
                std::remove(registry.descriptors.begin(), registry.descriptors.end(), fd),
                registry.descriptors.end());
            close(fd);
        }
    }
    ThreadWake(const ThreadWake &) = delete;
    ThreadWake &operator=(const ThreadWake &) = delete;
};

} // namespace

void X11Connection::waitForActivity(Deadline until)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return;
    }
    thread_local ThreadWake wake;
    pollfd p[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wake.fd, POLLIN, 0}};
    // Another waiting thread may take what we wait for off the socket without waking anyone, so
    // the wait is cut into short slices after which the caller asks xcb again.
    poll(p, wake.fd >= 0 ? 2 : 1, static_cast<int>(std::min<long long>(left.count(), 2)));
    if (wake.fd >= 0 && (p[1].revents & POLLIN)) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t drained = read(wake.fd, &count, sizeof count);
    }
}

void X11Connection::wakeWaiters()
{
    WakeRegistry &registry = wakeRegistry();
    std::lock_guard lock(registry.mutex);
    for (int fd : registry.descriptors) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(fd, &one, sizeof one);
    }
}

bool X11Connection::sync(Deadline deadline)
{
    return reply<xcb_get_input_focus_reply_t>(xcb_get_input_focus(connection_), deadline).ok();
}

int X11Connection::subscribe(EventHandler handler)
{
    std::lock_guard lock(handlersMutex_);
    const int id = nextHandler_++;
    handlers_.emplace_back(id, std::move(handler));
    return id;
}

void X11Connection::unsubscribe(int id)
{
    std::lock_guard lock(handlersMutex_);
    handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(),
                                   [id](const auto &h) { return h.first == id; }),
                    handlers_.end());
}

void X11Connection::pumpEvents()
{
    // One pumping thread at a time keeps each handler's view of the events in server order. A
    // thread that finds another one pumping leaves it a note instead of waiting: the pumping
    // thread looks again before it leaves, so an event queued meanwhile is never stranded.
    pumpAgain_.store(true);
    while (pumpAgain_.load()) {
        std::unique_lock pumpLock(pumpMutex_, std::try_to_lock);
        if (!pumpLock.owns_lock()) {
            return;
        }
        pumpAgain_.store(false);
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
            // Dispatching under the lock means a handler is never called after unsubscribe
            // returned.
            std::lock_guard lock(handlersMutex_);
            for (const auto &h : handlers_) {
                h.second(*event);
            }
            std::free(event);
        }
    }
}

xcb_atom_t X11Connection::internAtom(const std::string &name, Deadline deadline)
{
    auto r = reply<xcb_intern_atom_reply_t>(
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(name.size()), name.c_str()),
        deadline);
    return r.ok() ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

} // namespace ostrel::x11
