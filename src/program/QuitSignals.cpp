#include "program/QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace ostrel {

namespace {

constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> writeEnd{-1};

void handle(int signal)
{
    const int savedErrno = errno;
    const int fd = writeEnd.load();
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        // A full socket means quitting is requested already; nothing is lost.
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets_) != 0) {
        sockets_[0] = sockets_[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(sockets_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readSignals);
    writeEnd.store(sockets_[0]);

    struct sigaction action = {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    // Interrupted calls resume, so no part of the program sees EINTR because of a quit request.
    action.sa_flags = SA_RESTART;
    for (const int signal : handledSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

QuitSignals::~QuitSignals()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : handledSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    writeEnd.store(-1);
    delete notifier_;
    for (const int fd : sockets_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void QuitSignals::readSignals()
{
    unsigned char numbers[16];
    for (;;) {
        const ssize_t count = ::read(sockets_[1], numbers, sizeof numbers);
        if (count <= 0) {
            return;
        }
        for (ssize_t i = 0; i < count; ++i) {
            emit quitRequested(numbers[i]);
        }
    }
}

} // namespace ostrel
