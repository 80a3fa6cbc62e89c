#include "system/x11/DesktopEntries.h"

#include "system/x11/DesktopEntryFile.h"

#include <QDir>
#include <QLocale>

namespace ostrel::x11 {

namespace {

QStringList defaultDataDirs()
{
    QStringList dirs;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    dirs.append(home.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : home);
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty()) {
        system = QStringLiteral("/usr/local/share:/usr/share");
    }
    dirs.append(system.split(QLatin1Char(':'), Qt::SkipEmptyParts));
    return dirs;
}

QStringList desktopsOfSession()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

// A desktop-entry list value: items separated by ";", the last one optionally ending with it.
QStringList listValue(const QString &value)
{
    QStringList items;
    for (const QString &item : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!item.trimmed().isEmpty()) {
            items.append(item.trimmed());
        }
    }
    return items;
}

bool listedOn(const QHash<QString, QString> &keys, const QStringList &desktops)
{
    if (keys.value(QStringLiteral("NoDisplay")) == QLatin1String("true")) {
        return false;
    }
    const auto names = [&](const QString &key) {
        QStringList found;
        for (const QString &item : listValue(keys.value(key))) {
            if (desktops.contains(item, Qt::CaseInsensitive)) {
                found.append(item);
            }
        }
        return found;
    };
    if (keys.contains(QStringLiteral("OnlyShowIn"))
        && names(QStringLiteral("OnlyShowIn")).isEmpty()) {
        return false;
    }
    return names(QStringLiteral("NotShowIn")).isEmpty();
}

} // namespace

DesktopEntries::DesktopEntries(QStringList dataDirs, std::optional<QStringList> currentDesktops)
    : dataDirs_(dataDirs.isEmpty() ? defaultDataDirs() : std::move(dataDirs))
    , currentDesktops_(currentDesktops ? *currentDesktops : desktopsOfSession())
    , first_(std::async(std::launch::async, [this] {
        std::lock_guard lock(mutex_);
        loadIfStale();
    }))
{
}

DesktopEntries::~DesktopEntries()
{
    if (first_.valid()) {
        first_.wait();
    }
}

QString DesktopEntries::idFor(const QString &applicationsFolder, const QString &path)
{
    const QString suffix = QStringLiteral(".desktop");
    QString id = QDir(applicationsFolder).relativeFilePath(path);
    if (!id.endsWith(suffix) || id.size() == suffix.size() || id.startsWith(QLatin1String("../"))
        || QDir::isAbsolutePath(id)) {
        return {};
    }
    id.chop(suffix.size());
    id.replace(QLatin1Char('/'), QLatin1Char('-'));
    return id;
}

std::optional<DesktopEntries::Entry>
DesktopEntries::readEntry(const QString &id, const QString &path, const QString &locale) const
{
    const std::optional<DesktopEntryFile> file = DesktopEntryFile::read(path);
    if (!file) {
        return std::nullopt; // not a readable entry at all, so it shadows nothing
    }
    const QHash<QString, QString> &keys = file->keys;
    if (keys.value(QStringLiteral("Hidden")) == QLatin1String("true")
        || keys.value(QStringLiteral("Type"), QStringLiteral("Application"))
            != QLatin1String("Application")) {
        return Entry{}; // no application, but it still shadows the same id further down
    }
    return Entry{id,
                 file->localizedName(locale),
                 keys.value(QStringLiteral("StartupWMClass")),
                 keys.value(QStringLiteral("Icon")),
                 path,
                 listedOn(keys, currentDesktops_)};
}

void DesktopEntries::loadIfStale()
{
    // Installing or removing an application changes its folder; nothing else needs a new read.
    const auto now = std::chrono::steady_clock::now();
    if (loaded_ && !watch_.changed()
        && (watch_.complete() || now - loadedAt_ < std::chrono::minutes(1))) {
        return;
    }
    loaded_ = true;
    loadedAt_ = now;
    watch_.reset();
    byId_.clear();
    idByLowerId_.clear();
    idByLowerWmClass_.clear();
    order_.clear();
    const QString locale = QLocale::system().name();
    for (const QString &dataDir : dataDirs_) {
        const QString root = dataDir + QStringLiteral("/applications");
        loadFolder(root, root, locale);
    }
}

void DesktopEntries::loadFolder(const QString &root, const QString &folder, const QString &locale)
{
    // Watched first: an entry added while the folder is being read is then seen next time.
    watch_.watch(folder);
    const QDir dir(folder);
    for (const QString &name :
         dir.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        const QString id = idFor(root, path);
        if (id.isEmpty() || byId_.contains(id)) {
            continue; // an earlier folder overrides this one
        }
        const std::optional<Entry> entry = readEntry(id, path, locale);
        if (!entry) {
            continue;
        }
        byId_.insert(id, *entry);
        if (entry->id.isEmpty()) {
            continue;
        }
        order_.append(id);
        idByLowerId_.insert(id.toLower(), id);
        if (!entry->startupWMClass.isEmpty()
            && !idByLowerWmClass_.contains(entry->startupWMClass.toLower())) {
            idByLowerWmClass_.insert(entry->startupWMClass.toLower(), id);
        }
    }
    // Links to folders are not followed, so that no folder is read twice or in a loop.
    for (const QString &name :
         dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name)) {
        loadFolder(root, dir.filePath(name), locale);
    }
}

std::optional<DesktopEntries::Match> DesktopEntries::find(const QString &gtkApplicationId,
                                                          const QString &kdeDesktopFile,
                                                          const QString &wmInstance,
                                                          const QString &wmClass)
{
    std::lock_guard lock(mutex_);
    loadIfStale();
    auto byId = [&](const QString &id) -> std::optional<Match> {
        const auto it = byId_.constFind(id);
        if (id.isEmpty() || it == byId_.constEnd() || it->id.isEmpty()) {
            return std::nullopt;
        }
        return Match{it->id, it->name.isEmpty() ? it->id : it->name};
    };
    if (auto m = byId(gtkApplicationId)) {
        return m;
    }
    QString kde = kdeDesktopFile;
    if (kde.endsWith(QLatin1String(".desktop"))) {
        kde.chop(int(qstrlen(".desktop")));
    }
    if (auto m = byId(kde)) {
        return m;
    }
    for (const QString &name : {wmClass, wmInstance}) {
        if (!name.isEmpty()) {
            if (auto m = byId(idByLowerWmClass_.value(name.toLower()))) {
                return m;
            }
        }
    }
    for (const QString &name : {wmClass, wmInstance}) {
        if (!name.isEmpty()) {
            if (auto m = byId(idByLowerId_.value(name.toLower()))) {
                return m;
            }
        }
    }
    return std::nullopt;
}

std::optional<QString> DesktopEntries::icon(const QString &id)
{
    std::lock_guard lock(mutex_);
    loadIfStale();
    const auto it = byId_.constFind(id);
    if (id.isEmpty() || it == byId_.constEnd() || it->id.isEmpty()) {
        return std::nullopt;
    }
    return it->icon;
}

QList<DesktopEntries::Application> DesktopEntries::applications()
{
    std::lock_guard lock(mutex_);
    loadIfStale();
    QList<Application> found;
    found.reserve(order_.size());
    for (const QString &id : std::as_const(order_)) {
        const Entry entry = byId_.value(id);
        if (!entry.listed) {
            continue;
        }
        found.append(Application{entry.id, entry.name, entry.icon, entry.path});
    }
    return found;
}

std::optional<DesktopEntries::Application> DesktopEntries::entryAt(const QString &path) const
{
    if (!QDir::isAbsolutePath(path)) {
        return std::nullopt;
    }
    const QString file = QDir::cleanPath(path);
    // The innermost folder holding the file names it, should one data folder lie in another.
    QString root;
    for (const QString &dataDir : dataDirs_) {
        const QString candidate = QDir::cleanPath(dataDir + QStringLiteral("/applications"));
        if (file.startsWith(candidate + QLatin1Char('/')) && candidate.size() > root.size()) {
            root = candidate;
        }
    }
    const QString id = root.isEmpty() ? QString() : idFor(root, file);
    if (id.isEmpty()) {
        return std::nullopt;
    }
    const std::optional<Entry> entry = readEntry(id, file, QLocale::system().name());
    if (!entry || entry->id.isEmpty()) {
        return std::nullopt;
    }
    return Application{entry->id, entry->name, entry->icon, entry->path};
}

} // namespace ostrel::x11
