#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace ostrel {

// The file calls the store makes on its own folder, gathered behind one narrow interface so
// that tests can make any of them fail and check that every rollback path leaves the folder
// sound. Each call is the plain POSIX call: it returns 0 or the system's error number and never
// throws. Record locks are classic process-associated fcntl locks, so closing any descriptor of
// a file drops all of this process's locks on it: never open a file here while a SQLite
// connection of this process holds locks on it.
class FileSystem {
public:
    virtual ~FileSystem();

    // The real calls, shared by everyone who does not inject failures.
    static std::shared_ptr<FileSystem> system();

    virtual bool exists(const QString &path);
    // The names in a folder (not "." and ".."); empty when it cannot be listed.
    virtual QStringList entries(const QString &folder);
    // Creates the folder and its missing parents, each readable by its owner alone (0700); an
    // existing folder is fine and keeps its mode.
    virtual int makeDirectories(const QString &path);
    // Takes the rights of everyone but the owner, and only those: a folder of mode 0755
    // becomes 0700, one of 0500 stays 0500; the owner's own rights are never added. A symbolic
    // link is left as it is.
    virtual int restrictToOwner(const QString &path);

    // On success `descriptor` holds the new descriptor. A file made here (O_CREAT with O_EXCL)
    // is 0600 whatever the umask.
    virtual int open(const QString &path, int flags, int &descriptor);
    virtual int close(int descriptor);
    // Writes all of `data`, however many calls that takes.
    virtual int write(int descriptor, const QByteArray &data);
    virtual int fsync(int descriptor);
    // An exclusive record lock on the byte range, without waiting.
    virtual int lockForWriting(int descriptor, qint64 start, qint64 length);

    virtual int link(const QString &from, const QString &to);
    virtual int unlink(const QString &path);
    virtual int rename(const QString &from, const QString &to);
    // Copies the contents of `from` into a new file `to`, which must not exist yet and is made
    // 0600.
    virtual int copy(const QString &from, const QString &to);
};

// The text for an error number: what the user can act on (the disk is full, the folder is
// read-only, the file is in use) with the system's own text in parentheses; the system's text
// alone for other errors.
QString errorText(int error);

// Asks the disk to hold what was written to a file or to a folder's list of names. Best effort:
// a file that cannot be opened or synchronized is left as it is.
void flush(FileSystem &files, const QString &path);

} // namespace ostrel
