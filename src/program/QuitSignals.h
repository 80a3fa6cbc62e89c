#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace ostrel {

// SIGTERM, SIGINT and SIGHUP as a request to quit, delivered on the main thread: the handler
// only writes the signal's number into a socket pair (all a signal handler may safely do), and
// the event loop reads it from there. The program then quits as "Quit Ostrel" does, in order,
// instead of dying where the signal happened to land. One instance at a time; while it lives,
// those three signals no longer end the process by themselves.
class QuitSignals : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    // Gives the three signals back their default action.
    ~QuitSignals() override;

    QuitSignals(const QuitSignals &) = delete;
    QuitSignals &operator=(const QuitSignals &) = delete;

signals:
    // Once per signal that arrived.
    void quitRequested(int signal);

private:
    void readSignals();

    int sockets_[2] = {-1, -1};
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace ostrel
