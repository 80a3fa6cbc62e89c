#pragma once

#include <QString>

#include <exception>

namespace ostrel {

// The user text of whatever an operation threw: the program's own errors give their fixed
// sentences (a storage error with its detail, SQLite's own message for a database refusal), any
// other exception its message.
QString errorDescription(const std::exception_ptr &error);

} // namespace ostrel
