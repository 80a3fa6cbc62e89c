#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace ostrel {

// What the layout store and the database layer throw. Most cases carry a detail text that the
// user sees after a fixed sentence.
class StorageError : public std::exception {
public:
    enum class Kind {
        openFailed,
        storageUnavailable,
        corrupted,
        readFailed,
        writeFailed,
        futureSchema,
        migrationFailed,
        backupFailed,
        recoveryFailed,
        resetFailed,
        duplicateName,
        invalidName,
        emptyLayout,
        lastEntry,
        entryNotFound,
        layoutNotFound,
    };

    static StorageError openFailed(const QString &detail);
    static StorageError storageUnavailable(const QString &detail);
    static StorageError corrupted(const QString &detail);
    static StorageError readFailed(const QString &detail);
    static StorageError writeFailed(const QString &detail);
    static StorageError futureSchema(qint64 version, const QString &databasePath);
    static StorageError migrationFailed(const QString &detail);
    static StorageError backupFailed(const QString &detail);
    static StorageError recoveryFailed(const QString &detail);
    static StorageError resetFailed(const QString &detail);
    static StorageError duplicateName(const QString &name);
    static StorageError invalidName();
    static StorageError emptyLayout();
    static StorageError lastEntry();
    static StorageError entryNotFound();
    static StorageError layoutNotFound();

    Kind kind() const { return kind_; }
    // The detail text of the cases that carry one; the name for duplicateName; the database
    // path for futureSchema.
    const QString &detail() const { return detail_; }
    // The file's schema version, for futureSchema only.
    qint64 version() const { return version_; }

    QString errorDescription() const;
    QString recoverySuggestion() const;
    const char *what() const noexcept override { return what_.constData(); }

    friend bool operator==(const StorageError &a, const StorageError &b)
    {
        return a.kind_ == b.kind_ && a.detail_ == b.detail_ && a.version_ == b.version_;
    }

private:
    StorageError(Kind kind, QString detail, qint64 version = 0);

    Kind kind_;
    QString detail_;
    qint64 version_ = 0;
    QByteArray what_;
};

} // namespace ostrel
