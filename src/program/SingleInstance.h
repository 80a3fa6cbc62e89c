#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

namespace ostrel {

// One running program per store. The first start holds a lock beside the store for as long as it
// runs, wherever the session's runtime folder is (a start from a terminal without
// XDG_RUNTIME_DIR finds the same lock as one from the session); the kernel lets go of it when
// the process ends in any way, so a killed program never blocks the next start. A later start
// finds the lock held, never touches the store or the keys, and asks the running program over a
// local socket in the runtime folder to show its panel: the running program writes that
// socket's path into its lock file, so a later start finds it whatever its own runtime folder.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class LockState {
        // This start holds the lock: it is the running program.
        held,
        // A running program holds it.
        heldByAnother,
        // The lock file cannot be opened or locked (it is a folder, a link, or belongs to
        // another user, for example): nothing is known of a running program, so this start must
        // not run.
        unusable,
    };

    // Where the socket lives. Other users must not reach it: a socket they can make or open
    // would talk to this user's program.
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

    // Tries to take the lock in the first of `lockFolders` that can hold a lock file (a folder
    // that the user may not write to, or that is missing, passes to the next); the socket goes
    // to `socketFolder` (none when empty). May run before the application object exists.
    SingleInstance(QStringList lockFolders, QString socketFolder, QObject *parent = nullptr);
    // The lock and the socket in one folder.
    explicit SingleInstance(const QString &folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    LockState lockState() const { return lockState_; }
    // Whether this start holds the lock: it is the running program.
    bool isRunningInstance() const { return lockState_ == LockState::held; }
    // For an unusable lock: a message for the user that names the file and the reason.
    const QString &lockProblem() const { return lockProblem_; }
    // The lock file this start took or found held.
    const QString &lockFile() const { return lockFile_; }

    // Starts answering later starts (the running program only). A socket left by a program that
    // ended without removing it is replaced; anything else in its place (a link, a file, another
    // user's socket) is left alone. False when the socket cannot be made; listenProblem() then
    // says why.
    bool listen();
    const QString &listenProblem() const { return listenProblem_; }

    // Stops answering; the lock stays held until this object goes.
    void stopListening();

    // A later start: asks the running program to show its panel and waits for its answer until
    // the timeout. The socket is the one the running program named in its lock file, else the
    // one in this start's own socket folder. Blocks; needs no event loop. False when nobody
    // answered.
    bool askToShowPanel(std::chrono::milliseconds timeout) const;
    // The same for a lock and a socket in one folder.
    static bool askToShowPanel(const QString &folder, std::chrono::milliseconds timeout);
    static bool askToShowPanel(const QString &lockFile, const QString &socketFolder,
                               std::chrono::milliseconds timeout);

    static QString lockPath(const QString &folder);
    static QString socketPath(const QString &folder);

signals:
    // A later start asked for the panel.
    void showPanelRequested();

private:
    void answer();

    QString socketFolder_;
    QString lockFile_;
    int lockFd_ = -1;
    LockState lockState_ = LockState::unusable;
    QString lockProblem_;
    QString listenProblem_;
    // Made when listening starts, so that taking the lock needs no application object yet.
    QLocalServer *server_ = nullptr;
};

} // namespace ostrel
