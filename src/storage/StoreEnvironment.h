#pragma once

#include "storage/FileSystem.h"

#include <QDateTime>

#include <functional>
#include <memory>

namespace ostrel {

// What opening the store and its file work depend on besides the folder itself. The defaults
// are the program's own; tests inject file failures, pin the clock and shorten the waits.
struct StoreEnvironment {
    std::shared_ptr<FileSystem> files = FileSystem::system();
    // Now, in UTC: recovery stamps, the reset marker's text and the times of edits.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
    // How long the short check before opening waits for another process's lock.
    int preOpenBusyTimeoutMilliseconds = 1200;
    // How long the working connection, a recovery candidate and a backup copy wait.
    int busyTimeoutMilliseconds = 2000;
};

} // namespace ostrel
