#include "system/x11/X11ApplicationEvents.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ostrel::x11 {

namespace {

enum class Process { running, gone, unknown };

// A pidfd for the process, or -1 with errno set (ESRCH: it is gone already).
int openPidfd(qint32 pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

Process lookFor(qint32 pid)
{
    if (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) {
        return Process::running;
    }
    return errno == ESRCH ? Process::gone : Process::unknown;
}

} // namespace

X11ApplicationEvents::X11ApplicationEvents(X11Desktop &desktop, QObject *application,
                                           QObject *parent)
    : ApplicationEvents(parent)
    , desktop_(desktop)
{
    if (application
        && application->metaObject()->indexOfSignal("applicationStateChanged(Qt::ApplicationState)")
            >= 0) {
        connect(application, SIGNAL(applicationStateChanged(Qt::ApplicationState)), this,
                SLOT(applicationStateChanged(Qt::ApplicationState)));
    }
    poll_.setInterval(processPollMs);
    connect(&poll_, &QTimer::timeout, this, &X11ApplicationEvents::pollProcesses);

    check();
    subscription_ = desktop_.connection().subscribe(
        [this](const xcb_generic_event_t &event) { handle(event); });
}

X11ApplicationEvents::~X11ApplicationEvents()
{
    desktop_.connection().unsubscribe(subscription_);
    while (!watched_.empty()) {
        unwatch(watched_.begin()->first);
    }
}

void X11ApplicationEvents::applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive) {
        emit applicationDidBecomeActive();
    }
}

void X11ApplicationEvents::handle(const xcb_generic_event_t &event)
{
    if ((event.response_type & 0x7F) != XCB_PROPERTY_NOTIFY) {
        return;
    }
    X11Connection &connection = desktop_.connection();
    const auto &property = reinterpret_cast<const xcb_property_notify_event_t &>(event);
    if (property.window == connection.root()
        && property.atom == connection.atom(Atom::NetClientList) && !posted_.exchange(true)) {
        QMetaObject::invokeMethod(this, &X11ApplicationEvents::eventArrived, Qt::QueuedConnection);
    }
}

void X11ApplicationEvents::eventArrived()
{
    posted_.store(false);
    check();
}

void X11ApplicationEvents::check()
{
    const auto snapshot = desktop_.snapshot(deadlineIn(1.0));
    if (!snapshot) {
        emit clientsChecked(); // nothing known; the next change of the list asks again
        return;
    }
    QSet<qint32> listed;
    for (const X11WindowInfo &info : snapshot->windows) {
        if (info.pid) {
            listed.insert(*info.pid);
        }
    }
    const QSet<qint32> left = listKnown_ ? listed_ - listed : QSet<qint32>();
    listed_ = listed;
    listKnown_ = true;
    for (const qint32 pid : listed_) {
        unwatch(pid); // if it was watched, it opened a window again
    }
    for (const qint32 pid : left) {
        watch(pid);
    }
    emit clientsChecked();
}

void X11ApplicationEvents::watch(qint32 pid)
{
    if (watched_.count(pid) != 0) {
        return;
    }
    const int fd = openPidfd(pid);
    if (fd < 0) {
        const Process state = errno == ESRCH ? Process::gone : lookFor(pid);
        if (state == Process::gone) {
            emit applicationTerminated();
        } else if (state == Process::running) {
            watched_.emplace(pid, Watch{});
            poll_.start();
        }
        // A process that can be neither opened nor looked for is not ours to follow.
        return;
    }
    pollfd ended{fd, POLLIN, 0};
    if (::poll(&ended, 1, 0) > 0) {
        ::close(fd);
        emit applicationTerminated();
        return;
    }
    Watch &w = watched_[pid];
    w.pidfd = fd;
    w.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(w.notifier.get(), &QSocketNotifier::activated, this,
            [this, pid] { processEnded(pid); });
}

void X11ApplicationEvents::unwatch(qint32 pid)
{
    auto it = watched_.find(pid);
    if (it == watched_.end()) {
        return;
    }
    it->second.notifier.reset();
    if (it->second.pidfd >= 0) {
        ::close(it->second.pidfd);
    }
    watched_.erase(it);
    if (std::none_of(watched_.cbegin(), watched_.cend(),
                     [](const auto &w) { return w.second.pidfd < 0; })) {
        poll_.stop();
    }
}

void X11ApplicationEvents::processEnded(qint32 pid)
{
    unwatch(pid);
    emit applicationTerminated();
}

void X11ApplicationEvents::pollProcesses()
{
    QList<qint32> ended;
    for (const auto &[pid, watch] : watched_) {
        if (watch.pidfd < 0 && lookFor(pid) != Process::running) {
            ended.append(pid);
        }
    }
    for (const qint32 pid : ended) {
        processEnded(pid);
    }
}

} // namespace ostrel::x11
