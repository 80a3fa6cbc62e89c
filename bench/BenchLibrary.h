#pragma once

#include "model/DisplaySnapshot.h"
#include "model/StorePaths.h"
#include "model/WindowEntry.h"
#include "storage/LayoutStore.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteStatement.h"
#include "storage/StoreEnvironment.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QUuid>

#include <utility>

namespace ostrel::bench {

// Fills a store with `layoutCount` layouts of `windowsPerLayout` windows of ten applications on
// the first of `displays`: the library a long-time user brings to a start.
inline void fillLibrary(LayoutStore &store, const QList<DisplaySnapshot> &displays, int layoutCount,
                        int windowsPerLayout)
{
    for (int i = 0; i < layoutCount; ++i) {
        QList<WindowEntry> entries;
        for (int w = 0; w < windowsPerLayout; ++w) {
            WindowEntry entry;
            entry.id = QUuid::createUuid();
            entry.bundleID = QStringLiteral("org.example.app%1").arg(w % 10);
            entry.appName = QStringLiteral("App %1").arg(w % 10);
            entry.role = QStringLiteral("AXWindow");
            entry.subrole = QStringLiteral("AXStandardWindow");
            entry.displayKey = displays.first().identity.key();
            entry.relativeFrame = RelativeFrame{0.01 * w, 0.02, 0.5, 0.5};
            entries << entry;
        }
        QCoro::waitFor(store.createLayout(QStringLiteral("Layout %1").arg(i), displays, entries,
                                          std::nullopt));
    }
}

// The two displays of a desk: a laptop's panel and an external monitor beside it.
inline QList<DisplaySnapshot> deskDisplays()
{
    CurrentDisplay laptop;
    laptop.identity = {0x30e4, 0x058c, 0, 0};
    laptop.frame = {0, 0, 1920, 1080};
    laptop.visibleFrame = {0, 0, 1920, 1048};
    laptop.pixelWidth = 1920;
    laptop.pixelHeight = 1080;
    laptop.isPrimary = true;
    CurrentDisplay external;
    external.identity = {0x10ac, 0xa0c5, 0x4c4e3233, 1};
    external.frame = {1920, 0, 2560, 1440};
    external.visibleFrame = {1920, 0, 2560, 1440};
    external.pixelWidth = 2560;
    external.pixelHeight = 1440;
    return {DisplaySnapshot::fromCurrent(laptop), DisplaySnapshot::fromCurrent(external)};
}

// Thirty windows of a working day on those displays: terminals, a browser with the sites it
// showed, an editor, mail, files and chat.
inline QList<WindowEntry> workdayWindows(const QList<DisplaySnapshot> &displays)
{
    struct App {
        const char *bundleID;
        const char *name;
        int windows;
    };
    const App apps[] = {
        {"org.gnome.Terminal", "Terminal", 6},
        {"firefox-esr", "Firefox", 8},
        {"code", "Visual Studio Code", 4},
        {"org.gnome.Evolution", "Evolution", 2},
        {"org.gnome.Nautilus", "Files", 3},
        {"org.telegram.desktop", "Telegram", 1},
        {"libreoffice-writer", "LibreOffice Writer", 3},
        {"org.gnome.Calculator", "Calculator", 1},
        {"gimp", "GNU Image Manipulation Program", 2},
    };
    const char *hosts[] = {"docs.example.org", "mail.example.com", "news.example.net",
                           "git.example.org",  "wiki.example.org", "calendar.example.com",
                           "maps.example.net", "shop.example.com"};
    QList<WindowEntry> entries;
    int n = 0;
    for (const App &app : apps) {
        for (int w = 0; w < app.windows; ++w, ++n) {
            WindowEntry entry;
            entry.id = QUuid::createUuid();
            entry.bundleID = QString::fromUtf8(app.bundleID);
            entry.appName = QString::fromUtf8(app.name);
            entry.role = QStringLiteral("AXWindow");
            entry.subrole =
                n % 7 == 6 ? QStringLiteral("AXDialog") : QStringLiteral("AXStandardWindow");
            if (entry.bundleID == QLatin1String("firefox-esr")) {
                entry.hostname = QString::fromUtf8(hosts[w]);
            }
            entry.displayKey = displays[n % displays.size()].identity.key();
            entry.relativeFrame =
                RelativeFrame{0.03 * (n % 10), 0.04 * (n % 7), 0.45 + 0.01 * (n % 5), 0.6};
            entries << entry;
        }
    }
    return entries;
}

// A store in `folder` with `layoutCount` layouts as the program writes them: one layout of the
// workday's thirty windows saved through the store, and its rows cloned in one transaction
// with new identifiers, names and dates. Returns the store's paths.
inline StorePaths makeLibrary(const QString &folder, int layoutCount)
{
    const StorePaths paths = StorePaths::inFolder(folder);
    QUuid original;
    {
        StorageOpenResult opened = LayoutStore::open(paths, StoreEnvironment{});
        const QList<DisplaySnapshot> displays = deskDisplays();
        original =
            QCoro::waitFor(opened.store->createLayout(QStringLiteral("Layout 1"), displays,
                                                      workdayWindows(displays), std::nullopt))
                .id;
    }
    SQLiteDatabase database(paths.database, SQLiteOpenMode::readWrite, SQLiteJournalPolicy::wal,
                            2000);
    database.execute(QStringLiteral("BEGIN IMMEDIATE;"));
    {
        SQLiteStatement layout(
            database,
            "INSERT INTO layouts (id, name, created_at, updated_at,"
            " automation_enabled, automation_topology_signature,"
            " shortcut_key_code, shortcut_modifiers)"
            " SELECT ?1, ?2, created_at + ?3, updated_at + ?3, automation_enabled,"
            " automation_topology_signature, shortcut_key_code,"
            " shortcut_modifiers FROM layouts WHERE id = ?4");
        SQLiteStatement displays(
            database,
            "INSERT INTO displays (layout_id, display_key, ordinal, vendor, model,"
            " serial, unit, frame_x, frame_y, frame_width, frame_height, visible_x,"
            " visible_y, visible_width, visible_height, pixel_width, pixel_height,"
            " scale, is_primary, frame_inferred)"
            " SELECT ?1, display_key, ordinal, vendor, model, serial, unit, frame_x,"
            " frame_y, frame_width, frame_height, visible_x, visible_y, visible_width,"
            " visible_height, pixel_width, pixel_height, scale, is_primary,"
            " frame_inferred FROM displays WHERE layout_id = ?2");
        // New version-4 identifiers in the stored spelling, one per cloned window.
        SQLiteStatement windows(
            database,
            "INSERT INTO windows (id, layout_id, ordinal, bundle_id, app_name, role,"
            " subrole, hostname, display_key, rel_x, rel_y, rel_width, rel_height)"
            " SELECT upper(hex(randomblob(4))) || '-' || upper(hex(randomblob(2)))"
            " || '-4' || substr(upper(hex(randomblob(2))), 2) || '-'"
            " || substr('89AB', 1 + abs(random() % 4), 1)"
            " || substr(upper(hex(randomblob(2))), 2) || '-'"
            " || upper(hex(randomblob(6))),"
            " ?1, ordinal, bundle_id, app_name, role, subrole, hostname, display_key,"
            " rel_x, rel_y, rel_width, rel_height FROM windows WHERE layout_id = ?2");
        const QString originalText = original.toString(QUuid::WithoutBraces).toUpper();
        for (int i = 2; i <= layoutCount; ++i) {
            const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            layout.reset();
            layout.bind(1, id);
            layout.bind(2, QStringLiteral("Layout %1").arg(i));
            layout.bindDouble(3, 60.0 * i);
            layout.bind(4, originalText);
            layout.step();
            displays.reset();
            displays.bind(1, id);
            displays.bind(2, originalText);
            displays.step();
            windows.reset();
            windows.bind(1, id);
            windows.bind(2, originalText);
            windows.step();
        }
    }
    database.execute(QStringLiteral("COMMIT;"));
    database.close();
    return paths;
}

} // namespace ostrel::bench
