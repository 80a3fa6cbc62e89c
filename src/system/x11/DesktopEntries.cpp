#include "system/x11/DesktopEntries.h"

#include "system/x11/DesktopEntryFile.h"

#include <QDir>
#include <QDirIterator>
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
    , first_(std::async(std::launch::async, [this] { return load(); }).share())
{
}

DesktopEntries::~DesktopEntries()
{
    if (first_.valid()) {
        first_.wait();
    }
    if (reload_.valid()) {
        reload_.wait();
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

DesktopEntries::Table DesktopEntries::load() const
{
    Table table;
    table.loadedAt = QDateTime::currentDateTimeUtc();
    const QString locale = QLocale::system().name();
    for (const QString &dataDir : dataDirs_) {
        const QString root = dataDir + QStringLiteral("/applications");
        QDirIterator it(root, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString id = idFor(root, path);
            if (id.isEmpty() || table.byId.contains(id)) {
                continue; // an earlier folder overrides this one
            }
            const std::optional<Entry> entry = readEntry(id, path, locale);
            if (!entry) {
                continue;
            }
            table.byId.insert(id, *entry);
            if (entry->id.isEmpty()) {
                continue;
            }
            table.order.append(id);
            table.idByLowerId.insert(id.toLower(), id);
            if (!entry->startupWMClass.isEmpty()
                && !table.idByLowerWmClass.contains(entry->startupWMClass.toLower())) {
                table.idByLowerWmClass.insert(entry->startupWMClass.toLower(), id);
            }
        }
    }
    return table;
}

std::shared_ptr<const DesktopEntries::Table> DesktopEntries::current()
{
    std::unique_lock lock(mutex_);
    if (!table_) {
        lock.unlock();
        auto first = std::make_shared<const Table>(first_.get());
        lock.lock();
        if (!table_) {
            table_ = std::move(first);
        }
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (!reloading_ && table_->loadedAt.secsTo(now) >= 60) {
        reloading_ = true;
        if (reload_.valid()) {
            reload_.wait(); // done already: it cleared `reloading_`
        }
        reload_ = std::async(std::launch::async, [this] {
            auto fresh = std::make_shared<const Table>(load());
            std::lock_guard reloaded(mutex_);
            table_ = std::move(fresh);
            reloading_ = false;
        });
    }
    return table_;
}

std::optional<DesktopEntries::Match> DesktopEntries::find(const QString &gtkApplicationId,
                                                          const QString &kdeDesktopFile,
                                                          const QString &wmInstance,
                                                          const QString &wmClass)
{
    const std::shared_ptr<const Table> table = current();
    auto byId = [&](const QString &id) -> std::optional<Match> {
        const auto it = table->byId.constFind(id);
        if (id.isEmpty() || it == table->byId.constEnd() || it->id.isEmpty()) {
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
            if (auto m = byId(table->idByLowerWmClass.value(name.toLower()))) {
                return m;
            }
        }
    }
    for (const QString &name : {wmClass, wmInstance}) {
        if (!name.isEmpty()) {
            if (auto m = byId(table->idByLowerId.value(name.toLower()))) {
                return m;
            }
        }
    }
    return std::nullopt;
}

std::optional<QString> DesktopEntries::icon(const QString &id)
{
    const std::shared_ptr<const Table> table = current();
    const auto it = table->byId.constFind(id);
    if (id.isEmpty() || it == table->byId.constEnd() || it->id.isEmpty()) {
        return std::nullopt;
    }
    return it->icon;
}

QList<DesktopEntries::Application> DesktopEntries::applications()
{
    const std::shared_ptr<const Table> table = current();
    QList<Application> found;
    found.reserve(table->order.size());
    for (const QString &id : std::as_const(table->order)) {
        const Entry entry = table->byId.value(id);
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
