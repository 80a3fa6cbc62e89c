#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// The storage failure that the panel and the settings show instead of the layouts while
// storage is unusable.
struct StorageProblem {
    QUuid id;
    QString title;
    QString message;
    QString databasePath;
    std::optional<QString> backupPath; // when there is a backup file
    bool canRetry = false;             // whether a Retry action is offered
    std::optional<QString> details;

    friend bool operator==(const StorageProblem &, const StorageProblem &) = default;
};

} // namespace ostrel
