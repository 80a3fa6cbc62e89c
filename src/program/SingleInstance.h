#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

namespace ostrel {

// One running program per user. The first start holds a lock in the user's runtime folder for
// as long as it runs; the kernel lets go of it when the process ends in any way, so a killed
// program never blocks the next start. A later start finds the lock held, never touches the
// store or the keys, and asks the running program over a local socket beside the lock to show
// its panel.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class LockState {
        // This start holds the lock: it is the running program.
        held,
        // A running program holds it.
        heldByAnother,
        // The lock file cannot be opened or locked (it is a folder, or belongs to another user,
        // for example): nothing is known of a running program, so this start must not run.
        unusable,
    };

    // Where the lock and the socket live. Other users must not reach them: a lock or socket they
    // can make or open would stop this user's program or talk to it.
    struct RuntimeFolder {
        QString path;
        // Empty when `path` can be used; else a message for the user that names the folder and
        // says what is wrong with it.
        QString problem;
    };

    // The user's runtime folder: $XDG_RUNTIME_DIR when it is a folder of this user that only the
    // user may open (mode 0700), else <temporary folder>/runtime-<user name>, made so when it
    // does not exist yet. Never the working folder or a shared one: when neither will do, the
    // problem says why.
    static RuntimeFolder defaultFolder();

    // Tries to take the lock in `folder`; may run before the application object exists.
    explicit SingleInstance(QString folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    LockState lockState() const { return lockState_; }
    // Whether this start holds the lock: it is the running program.
    bool isRunningInstance() const { return lockState_ == LockState::held; }
    // For an unusable lock: a message for the user that names the file and the reason.
    const QString &lockProblem() const { return lockProblem_; }

    // Starts answering later starts (the running program only). A socket left by a program that
    // ended without removing it is replaced. False when the socket cannot be made.
    bool listen();

    // Stops answering; the lock stays held until this object goes.
    void stopListening();

    // A later start: asks the running program to show its panel and waits for its answer until
    // the timeout. Blocks; needs no event loop. False when nobody answered.
    static bool askToShowPanel(const QString &folder, std::chrono::milliseconds timeout);

    static QString lockPath(const QString &folder);
    static QString socketPath(const QString &folder);

signals:
    // A later start asked for the panel.
    void showPanelRequested();

private:
    void answer();

    QString folder_;
    int lockFd_ = -1;
    LockState lockState_ = LockState::unusable;
    QString lockProblem_;
    // Made when listening starts, so that taking the lock needs no application object yet.
    QLocalServer *server_ = nullptr;
};

} // namespace ostrel
