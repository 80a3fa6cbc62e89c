#include "model/Preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace ostrel {

namespace {

using Preferences::WriteProblem;

// Where QSettings keeps this user's settings: ~/.config, or wherever QSettings::setPath points
// (tests point it at a folder of their own). A settings object reads its files as it is made, so
// the folder is learnt from one for a name that no file has: the program's own file must be
// looked at before anything opens it.
QString settingsFilePath()
{
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope,
                          QStringLiteral("Ostrel-settings-location"));
    return QFileInfo(probe.fileName()).absoluteDir().filePath(QStringLiteral("Ostrel/Ostrel.conf"));
}

// Why the file cannot be used, or nothing (also when it does not exist yet). Opening a FIFO
// blocks until someone writes to it, and a device may do anything; only a regular file is read.
std::optional<QString> fileProblem(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return errno == ENOENT ? std::nullopt : std::optional<QString>(qt_error_string(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return QStringLiteral("it is not a regular file");
    }
    return std::nullopt;
}

// Only the user may read the settings: the folder is made 0700 and the file 0600, and a folder
// or file an older version made for everyone to read is closed when a setting is next written.
void preparePrivateFile(const QString &path)
{
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    QDir().mkpath(QFileInfo(folder).absolutePath());
    const QByteArray folderName = QFile::encodeName(folder);
    struct stat status = {};
    if (::mkdir(folderName.constData(), 0700) != 0 && ::lstat(folderName.constData(), &status) == 0
        && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 077) != 0) {
        ::chmod(folderName.constData(), status.st_mode & 07700);
    }
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        return; // the write that follows fails and changes nothing
    }
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()
        && (status.st_mode & 077) != 0) {
        ::fchmod(fd, status.st_mode & 07700);
    }
    ::close(fd);
}

// Why nothing can be written in the folder, found by trying what QSettings does there (make a
// file, write to it, sync it): QSettings itself only says that it failed.
QString writeFailure(const QString &folder)
{
    const QByteArray probe = QFile::encodeName(QDir(folder).filePath(
        QStringLiteral(".Ostrel.conf.probe-%1").arg(QCoreApplication::applicationPid())));
    int error = 0;
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = errno;
    } else {
        const char byte = '\n';
        if (::write(fd, &byte, 1) != 1 || ::fsync(fd) != 0) {
            error = errno;
        }
        ::close(fd);
        ::unlink(probe.constData());
    }
    switch (error) {
    case 0:
        return QStringLiteral("it could not be written");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("the disk is full");
    case EROFS:
        return QStringLiteral("the disk is read-only");
    case EACCES:
    case EPERM:
        return QStringLiteral("its folder is read-only");
    default:
        return qt_error_string(error);
    }
}

WriteProblem problemWriting(const QString &path, const QString &reason)
{
    return QStringLiteral("The change holds until Ostrel quits, but it couldn’t be saved in “%1”: "
                          "%2.")
        .arg(path, reason);
}

// One settings object per operation: it reads the file as it is now and writes it back when it
// goes away, so every change is on disk when the call returns. Null when the file cannot be
// used: reads give the defaults, and writes leave whatever is there as it is.
std::unique_ptr<QSettings> openSettings()
{
    const QString path = settingsFilePath();
    if (fileProblem(path)) {
        return nullptr;
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

std::unique_ptr<QSettings> openSettingsForWriting()
{
    const QString path = settingsFilePath();
    if (fileProblem(path)) {
        return nullptr;
    }
    preparePrivateFile(path);
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

QVariant readValue(const QString &key)
{
    const std::unique_ptr<QSettings> settings = openSettings();
    return settings ? settings->value(key) : QVariant();
}

// INI files keep no types: a Boolean comes back as the text "true" or "false" (or as a bool
// before the file was re-read). Anything else is not a Boolean.
std::optional<bool> readBoolean(const QString &key)
{
    const QVariant value = readValue(key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true")) {
            return true;
        }
        if (text == QLatin1String("false")) {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<QString> readText(const QString &key)
{
    const QVariant value = readValue(key);
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

// Makes the changes to the file and checks that they reached it.
WriteProblem change(const std::function<void(QSettings &)> &changes)
{
    const QString path = settingsFilePath();
    if (const std::optional<QString> problem = fileProblem(path)) {
        return problemWriting(path, *problem);
    }
    const std::unique_ptr<QSettings> settings = openSettingsForWriting();
    if (!settings) {
        return problemWriting(path, QStringLiteral("it cannot be used"));
    }
    changes(*settings);
    settings->sync();
    if (settings->status() != QSettings::NoError) {
        return problemWriting(path,
                              settings->status() == QSettings::FormatError
                                  ? QStringLiteral("it is not a settings file")
                                  : writeFailure(QFileInfo(path).absolutePath()));
    }
    return std::nullopt;
}

// Nothing removes the key.
WriteProblem store(const QString &key, const std::optional<QVariant> &value)
{
    return change([&](QSettings &settings) {
        if (value) {
            settings.setValue(key, *value);
        } else {
            settings.remove(key);
        }
    });
}

WriteProblem write(const QString &key, const QVariant &value)
{
    return store(key, value);
}

WriteProblem writeBoolean(const QString &key, bool value)
{
    return write(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

} // namespace

std::optional<QUuid> Preferences::selectedLayoutID()
{
    const std::optional<QString> text = readText(selectedLayoutIDKey);
    if (!text || text->size() != 36) {
        return std::nullopt;
    }
    const QUuid id = QUuid::fromString(*text);
    if (id.isNull()) {
        return std::nullopt;
    }
    return id;
}

Preferences::WriteProblem Preferences::setSelectedLayoutID(const std::optional<QUuid> &id)
{
    if (!id) {
        return store(selectedLayoutIDKey, std::nullopt);
    }
    return write(selectedLayoutIDKey, id->toString(QUuid::WithoutBraces).toUpper());
}

bool Preferences::automationEnabled()
{
    return readBoolean(automationEnabledKey).value_or(false);
}

Preferences::WriteProblem Preferences::setAutomationEnabled(bool enabled)
{
    return writeBoolean(automationEnabledKey, enabled);
}

bool Preferences::restoreFlashEnabled()
{
    return readBoolean(restoreFlashEnabledKey).value_or(true);
}

Preferences::WriteProblem Preferences::setRestoreFlashEnabled(bool enabled)
{
    return writeBoolean(restoreFlashEnabledKey, enabled);
}

HighlightColor Preferences::highlightColor()
{
    const std::optional<QString> text = readText(highlightColorKey);
    return (text ? fromRawValue<HighlightColor>(*text) : std::nullopt)
        .value_or(HighlightColor::blue);
}

Preferences::WriteProblem Preferences::setHighlightColor(HighlightColor color)
{
    return write(highlightColorKey, rawValue(color));
}

AppearancePreference Preferences::appearance()
{
    const std::optional<QString> text = readText(appearanceKey);
    return (text ? fromRawValue<AppearancePreference>(*text) : std::nullopt)
        .value_or(AppearancePreference::system);
}

Preferences::WriteProblem Preferences::setAppearance(AppearancePreference appearance)
{
    return write(appearanceKey, rawValue(appearance));
}

Preferences::WriteProblem Preferences::encodeShortcut(const std::optional<Shortcut> &shortcut,
                                                      const QString &key)
{
    return store(key, shortcut ? std::optional<QVariant>(shortcut->toJson()) : std::nullopt);
}

std::optional<Shortcut> Preferences::decodeShortcut(const QString &key)
{
    const QVariant value = readValue(key);
    if (value.typeId() != QMetaType::QByteArray) {
        return std::nullopt;
    }
    return Shortcut::fromJson(value.toByteArray());
}

Preferences::WriteProblem Preferences::reset()
{
    return change([](QSettings &settings) {
        for (const QString &key :
             {selectedLayoutIDKey, globalShortcutKey, automationEnabledKey, restoreFlashEnabledKey,
              highlightColorKey, appearanceKey, didPromptForAccessibilityKey}) {
            settings.remove(key);
        }
    });
}

std::optional<QString> Preferences::settingsFileProblem()
{
    const QString path = settingsFilePath();
    const std::optional<QString> problem = fileProblem(path);
    if (!problem) {
        return std::nullopt;
    }
    return QStringLiteral(
               "Ostrel’s settings file “%1” can’t be used (%2). It is left as it is: the "
               "settings start from their defaults, and changes to them are not kept.")
        .arg(path, *problem);
}

} // namespace ostrel
