#pragma once

#include "model/RectD.h"
#include "model/Shortcut.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {
class SQLiteStatement;
}

namespace ostrel::StoredValues {

// Identifiers are stored as the 36-character hyphenated UUID text in upper case.
QString identifierText(const QUuid &id);
// Only the 36-character hyphenated form parses (either letter case); braces and other forms
// do not, so a stored identifier has one spelling.
std::optional<QUuid> parseIdentifier(const QString &text);

// Points in time are REAL seconds since 1970. A value is readable when finite and within
// 0001-01-01 and 2100-01-01 (both included).
double secondsSince1970(const QDateTime &moment);
std::optional<QDateTime> dateFromSeconds(double seconds);
// The moment as it can be stored and read back: a clock set past 2100 or before the year 1 (or
// one that reads no valid time at all) gives the nearest readable moment, with a warning in the
// log. Without it a save made under such a clock would be acknowledged and then refuse every
// later read of the store.
QDateTime storableMoment(const QDateTime &moment);

// A layout's shortcut is stored only with a key code up to 0xFFFF and no modifier bits beyond
// command, shift, option and control.
bool isStorable(const Shortcut &shortcut);

// A rectangle is four REAL columns or parameters in the order x, y, width, height.
void bindRect(SQLiteStatement &statement, int firstParameter, const RectD &rect);

} // namespace ostrel::StoredValues
