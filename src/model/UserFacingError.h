#pragma once

#include <QString>
#include <QUuid>

namespace ostrel {

// An alert the model shows when an operation is refused or fails; a new id for each alert.
struct UserFacingError {
    QUuid id;
    QString title;
    QString message;

    friend bool operator==(const UserFacingError &, const UserFacingError &) = default;
};

} // namespace ostrel
