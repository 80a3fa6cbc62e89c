#pragma once

#include <QString>

#include <exception>

namespace ostrel {

// The text an error shows where another error's detail quotes it: a StorageError's user text,
// a SQLiteFailure's plain sentence with SQLite's message, a system error's plain text.
QString descriptionOf(const std::exception_ptr &error);

} // namespace ostrel
