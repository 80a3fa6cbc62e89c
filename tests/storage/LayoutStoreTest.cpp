#include "StorageTestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

void touchFile(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

TEST(LayoutStoreFilesTest, RemovingSideFilesTakesExactlyTheLogShmAndJournal)
{
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("Ostrel.sqlite"));
    for (const char *name :
         {"Ostrel.sqlite", "Ostrel.sqlite-wal", "Ostrel.sqlite-shm", "Ostrel.sqlite-journal",
          "Ostrel.sqlite-walrus", "Ostrel.backup.sqlite-wal"}) {
        touchFile(dir.filePath(QString::fromUtf8(name)));
    }
    LayoutStore::removeSidecars(database);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{"Ostrel.backup.sqlite-wal", "Ostrel.sqlite", "Ostrel.sqlite-walrus"}));

    // Nothing left to remove is not a failure.
    LayoutStore::removeSidecars(database);
    LayoutStore::removeSidecars(dir.filePath(QStringLiteral("missing/Ostrel.sqlite")));
}
