#pragma once

#include <QList>
#include <QString>

namespace ostrel {

struct EntryResult;
struct RestoreResult;

// How the result section presents a pass: the symbol and its tone by what the pass left to do,
// and the height of the entries' list, computed from the entries alone so that opening the list
// measures nothing.
namespace ResultPresentation {

// Attention wins over success, success over nothing moved.
enum class Tone { attention, success, neutral };

QString icon(const RestoreResult &result);
Tone tone(const RestoreResult &result);

// 32 per plain line and 52 per line with a detail under it, plus 6, within 40…184; the list
// scrolls beyond that.
int detailsHeight(const QList<EntryResult> &entries);
inline constexpr int plainLineHeight = 32;
inline constexpr int detailLineHeight = 52;
inline constexpr int minimumDetailsHeight = 40;
inline constexpr int maximumDetailsHeight = 184;

// Whether an entry's line shows its detail under the label.
bool showsDetail(const EntryResult &entry);

} // namespace ResultPresentation

} // namespace ostrel
