#pragma once

#include "system/ApplicationIcons.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// Application icons by bundle identifier for the window rows, the result rows, the layout icon
// stack and the list of excluded applications. Up to 64 icons stay cached; the 65th distinct
// application evicts the one that came first (by arrival, not by use). Main thread only.
namespace AppIconProvider {

inline constexpr int limit = 64;
inline constexpr int side = 64;

// Where icons come from; must outlive its use. Replacing it empties the cache.
void setSource(ApplicationIcons *source);

// The application's icon, 64 × 64; absent when no installed application has this identifier
// (not cached: a later call asks again).
std::optional<QImage> icon(const QString &bundleID);

// The icon an application's entry names (an icon-theme name or an absolute path), as found on
// this desktop; a null icon when it names none or none is found. Not cached.
QIcon iconNamed(const QString &icon);

// The identifiers whose icons are cached, in the order they arrived.
QList<QString> cachedIdentifiers();

// The generic "app" symbol: a rounded square outline centred in a `side` × `side` square, for
// applications without an icon of their own.
QImage symbol(int side, const QColor &color);

} // namespace AppIconProvider

} // namespace ostrel
