#include "model/CaptureError.h"
#include "model/StorageError.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ostrel;

TEST(StorageErrorTest, DescriptionsAndSuggestions)
{
    const QString retry = "Try again. If it keeps happening, reveal the storage folder.";
    const QString check = "Check that the storage folder is available and there is enough disk "
                          "space, then try again.";
    const QString kept =
        "Ostrel kept the original files. Reveal the storage folder to inspect them.";
    struct Case {
        StorageError error;
        QString description;
        QString suggestion;
    };
    const Case cases[] = {
        {StorageError::openFailed("x"), "Couldn’t open the database. x", check},
        {StorageError::storageUnavailable("x"), "Storage is unavailable. x", check},
        {StorageError::corrupted("x"), "The database is damaged. x", kept},
        {StorageError::readFailed("The database is closed."),
         "Couldn’t read saved layouts. The database is closed.", retry},
        {StorageError::writeFailed(""), "Couldn’t save changes. ", retry},
        {StorageError::futureSchema(4, "/data/Ostrel/Ostrel.sqlite"),
         "Update Ostrel for database version 4. File unchanged: /data/Ostrel/Ostrel.sqlite.",
         "Update Ostrel to continue. Your saved data is unchanged."},
        {StorageError::migrationFailed("x"), "Couldn’t upgrade the database. Original file kept. x",
         "Your original file was kept. Check storage, then try again."},
        {StorageError::backupFailed("x"), "Couldn’t create a backup. x", retry},
        {StorageError::recoveryFailed("x"), "Couldn’t recover the database. x", kept},
        {StorageError::resetFailed("x"), "Reset failed. No saved data removed. x", retry},
        {StorageError::duplicateName(" Work “2” "), "A layout named “ Work “2” ” already exists.",
         retry},
        {StorageError::invalidName(), "Enter a layout name.", retry},
        {StorageError::emptyLayout(), "A layout needs at least one window.", retry},
        {StorageError::lastEntry(), "Keep one window, or delete the layout.", retry},
        {StorageError::entryNotFound(), "That saved window is no longer part of the layout.",
         retry},
        {StorageError::layoutNotFound(), "That layout is no longer available.", retry},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.description.toStdString());
        EXPECT_EQ(c.error.errorDescription(), c.description);
        EXPECT_EQ(c.error.recoverySuggestion(), c.suggestion);
        EXPECT_STREQ(c.error.what(), c.description.toUtf8().constData());
    }
}

TEST(StorageErrorTest, ThrownAndCaughtKeepsKindAndDetail)
{
    try {
        throw StorageError::readFailed("row 3");
    } catch (const std::exception &e) {
        const auto *error = dynamic_cast<const StorageError *>(&e);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->kind(), StorageError::Kind::readFailed);
        EXPECT_EQ(error->detail(), "row 3");
        EXPECT_EQ(*error, StorageError::readFailed("row 3"));
        EXPECT_FALSE(*error == StorageError::writeFailed("row 3"));
    }
}

TEST(CaptureErrorTest, Descriptions)
{
    using K = CaptureError::Kind;
    const std::pair<K, QString> cases[] = {
        {K::permissionDenied, "Accessibility access is needed to read open windows."},
        {K::noEligibleWindows, "No supported windows found. Show a window and retry."},
        {K::cancelled, "Window scan cancelled."},
        {K::timedOut, "Window scan timed out. Close unused windows and retry."},
        {K::incompleteDiscovery, "Couldn’t read all windows. No layout changed. Try again."},
    };
    for (const auto &[kind, text] : cases) {
        const CaptureError error(kind);
        EXPECT_EQ(error.errorDescription(), text);
        EXPECT_STREQ(error.what(), text.toUtf8().constData());
    }
    EXPECT_EQ(CaptureError(K::cancelled), CaptureError(K::cancelled));
    EXPECT_FALSE(CaptureError(K::cancelled) == CaptureError(K::timedOut));
}
