#pragma once

#include <QString>

#include <iosfwd>

// Failures show texts as texts, not as arrays of UTF-16 units (defined with the model fixture).
void PrintTo(const QString &text, std::ostream *out);
