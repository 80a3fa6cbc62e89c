#pragma once

#include <QString>

#include <iosfwd>

// Failures show texts as texts, not as arrays of UTF-16 units. GoogleTest finds it by the
// argument's namespace, so it stays global.
void PrintTo(const QString &text, std::ostream *out);
