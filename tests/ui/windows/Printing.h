#pragma once

#include <QString>

#include <ostream>

// Failures show texts as texts, not as arrays of UTF-16 units.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
