// The process that the crash-loop test kills: it opens the store in the folder it is given and
// edits it without end, telling its parent on standard output what each edit is about to do and
// when it has been committed (see CrashLoopProtocol.h).
//
//   storage_crash_child <storage folder> <seed>

#include "Await.h"
#include "CrashLoopProtocol.h"

#include "storage/ErrorDescription.h"
#include "storage/LayoutStore.h"

#include <QByteArray>
#include <QCoreApplication>

#include <random>

#include <unistd.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Straight to the pipe: an acknowledgement must be out before the next edit begins.
void say(const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + written,
                                  static_cast<size_t>(bytes.size() - written));
        if (n <= 0) {
            ::_exit(3);
        }
        written += n;
    }
}

class Editor {
public:
    Editor(LayoutStore &store, QList<Layout> layouts, quint64 seed)
        : store_(store)
        , layouts_(std::move(layouts))
        , random_(seed)
        , seed_(seed)
    {
    }

    void editOnce()
    {
        const int choice = pick(0, 9);
        if (layouts_.size() < 2 || (choice < 3 && layouts_.size() < 8)) {
            create();
        } else if (choice < 5) {
            rename();
        } else if (choice < 7) {
            replace();
        } else if (choice < 8 && layouts_.size() > 2) {
            remove();
        } else {
            backUp();
        }
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double fraction() { return std::uniform_real_distribution<double>(0.0, 0.5)(random_); }

    // Unique across every child of one run: each child gets its own seed.
    QString freshName()
    {
        static const QString flavours[] = {QStringLiteral("Desk"), QStringLiteral("Büro ✓"),
                                           QStringLiteral("Sofa “late”"), QStringLiteral("会议")};
        return QStringLiteral("%1 %2-%3").arg(flavours[pick(0, 3)]).arg(seed_).arg(++names_);
    }

    QList<DisplaySnapshot> freshDisplays()
    {
        QList<DisplaySnapshot> displays;
        const int count = pick(1, 3);
        for (int i = 0; i < count; ++i) {
            DisplaySnapshot display;
            display.identity = DisplayIdentity{
                16, 32, static_cast<quint32>(pick(0, 1) ? 0 : 100 + i), static_cast<quint32>(i)};
            display.frame = RectD{1920.0 * i, 0, 1920, 1080};
            display.visibleFrame = RectD{1920.0 * i, 25 + fraction(), 1920, 1055};
            display.pixelWidth = 1920 * pick(1, 2);
            display.pixelHeight = 1080;
            display.scale = pick(1, 2);
            display.isPrimary = i == 0;
            displays << display;
        }
        return displays;
    }

    QList<WindowEntry> freshEntries(const QList<DisplaySnapshot> &displays)
    {
        QList<WindowEntry> entries;
        const int count = pick(1, 6);
        for (int i = 0; i < count; ++i) {
            WindowEntry entry;
            entry.id = QUuid::createUuid();
            entry.bundleID = QStringLiteral("org.example.app%1").arg(pick(0, 20));
            entry.appName = QStringLiteral("App %1").arg(i);
            entry.role = QStringLiteral("AXWindow");
            entry.subrole = QStringLiteral("AXStandardWindow");
            if (pick(0, 3) == 0) {
                entry.hostname = QStringLiteral("example.org");
            }
            entry.displayKey =
                displays[pick(0, static_cast<int>(displays.size()) - 1)].identity.key();
            entry.relativeFrame = RelativeFrame{fraction(), fraction(), 0.25 + fraction(), 0.5};
            entries << entry;
        }
        return entries;
    }

    Layout &anyLayout() { return layouts_[pick(0, static_cast<int>(layouts_.size()) - 1)]; }

    void create()
    {
        Layout planned;
        planned.name = freshName();
        planned.displays = freshDisplays();
        planned.entries = freshEntries(planned.displays);
        say(QStringLiteral("begin %1 %2").arg(newLayout, contentOf(planned)));
        layouts_ << await(
            store_.createLayout(planned.name, planned.displays, planned.entries, std::nullopt));
        say(QStringLiteral("done ") + layouts_.last().id.toString());
    }

    void rename()
    {
        Layout &layout = anyLayout();
        Layout planned = layout;
        planned.name = freshName();
        say(QStringLiteral("begin %1 %2").arg(layout.id.toString(), contentOf(planned)));
        await(store_.renameLayout(layout.id, planned.name));
        layout = planned;
        say(QStringLiteral("done ") + layout.id.toString());
    }

    void replace()
    {
        Layout &layout = anyLayout();
        Layout planned = layout;
        planned.displays = freshDisplays();
        planned.entries = freshEntries(planned.displays);
        say(QStringLiteral("begin %1 %2").arg(layout.id.toString(), contentOf(planned)));
        await(store_.replaceLayoutContent(layout.id, planned.displays, planned.entries));
        layout = planned;
        say(QStringLiteral("done ") + layout.id.toString());
    }

    void remove()
    {
        const qsizetype index = pick(0, static_cast<int>(layouts_.size()) - 1);
        const QUuid id = layouts_[index].id;
        say(QStringLiteral("begin %1 %2").arg(id.toString(), goneLayout));
        await(store_.deleteLayout(id));
        layouts_.removeAt(index);
        say(QStringLiteral("done ") + id.toString());
    }

    void backUp()
    {
        const Layout &layout = anyLayout();
        say(QStringLiteral("begin %1 %2").arg(layout.id.toString(), contentOf(layout)));
        await(store_.backupNow());
        say(QStringLiteral("done ") + layout.id.toString());
    }

    LayoutStore &store_;
    QList<Layout> layouts_;
    std::mt19937_64 random_;
    quint64 seed_;
    int names_ = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        return 2;
    }
    QCoreApplication application(argc, argv);
    const StorePaths paths = StorePaths::inFolder(QString::fromLocal8Bit(argv[1]));
    const quint64 seed = QByteArray(argv[2]).toULongLong();
    try {
        StorageOpenResult opened = LayoutStore::open(paths, StoreEnvironment{});
        Editor editor(*opened.store, await(opened.store->loadLayouts()), seed);
        say(QStringLiteral("open"));
        for (;;) {
            editor.editOnce();
        }
    } catch (...) {
        say(QStringLiteral("error ") + descriptionOf(std::current_exception()));
    }
    return 1;
}
