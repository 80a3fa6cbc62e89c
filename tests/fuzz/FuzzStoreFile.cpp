// The layout database as it is found in the storage folder: a file that another program, a
// full disk or a damaged sector may have changed in any way.
#include "model/StorageError.h"
#include "storage/LayoutStore.h"
#include "storage/SQLiteDatabase.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace ostrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTemporaryDir root;
    const StorePaths paths = StorePaths::inFolder(root.path());
    QDir().mkpath(paths.directory);
    {
        QFile file(paths.database);
        if (!file.open(QIODevice::WriteOnly)) {
            std::abort();
        }
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    // Opening either refuses with a StorageError or gives a store whose every row reads: any
    // other exception ends the process, and a failing read below is a crash too.
    StorageOpenResult opened;
    try {
        opened = LayoutStore::open(paths, StoreEnvironment{});
    } catch (const StorageError &) {
        return 0;
    }
    try {
        LayoutStore::loadLayouts(opened.store->database());
        LayoutStore::loadExclusions(opened.store->database());
    } catch (...) {
        std::abort();
    }
    return 0;
}
