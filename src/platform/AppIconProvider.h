#pragma once

#include "system/ApplicationIcons.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace ostrel {

// Application icons by bundle identifier for the window rows, the result rows, the layout icon
// stack and the list of excluded applications. Up to 64 icons stay cached; the 65th distinct
// application evicts the one that came first (by arrival, not by use). The program keeps one and
// hands it to the views; main thread only.
class AppIconProvider {
public:
    static constexpr int limit = 64;
    static constexpr int side = 64;

    // Where icons come from (none: every application shows its stand-in); must outlive the
    // provider.
    explicit AppIconProvider(ApplicationIcons *source = nullptr)
        : source_(source)
    {
    }

    // The application's icon, `pixels` square (64 by default): its desktop entry's, else the one
    // its windows publish, at the size they give nearest to `pixels`; the stand-in for an
    // installed application with neither. Absent when no installed application has this
    // identifier and no window gives an icon (not cached: a later call asks again).
    std::optional<QImage> icon(const QString &bundleID, int pixels = side);

    // The identifiers whose icons are cached, in the order they arrived.
    QList<QString> cachedIdentifiers() const { return insertionOrder_; }

    // The icon an application's entry names (an icon-theme name or an absolute path), as found on
    // this desktop; a null icon when it names none or none is found. Not cached.
    static QIcon iconNamed(const QString &icon);

    // What stands in for an application without an icon of its own: a tile at 80 % of a `side` ×
    // `side` square, tinted by the name and bearing its initial in white. An outline would read as
    // an unchecked check box; a filled tile with a letter cannot be taken for a control. The colour
    // follows the bundle identifier, so an application looks the same wherever it is shown; the
    // letter is the name's, or the identifier's last part's where no name is known.
    static QImage standIn(int side, const QString &bundleID, const QString &name = {});

    // The letter a stand-in bears: the first letter or digit of the name ("?" when it has none).
    static QString initial(const QString &name);

    // The tile's colour for a bundle identifier: always the same for the same one, and white text
    // on it keeps at least 4.5 : 1.
    static QColor tint(const QString &bundleID);

private:
    ApplicationIcons *source_;
    QHash<QString, QImage> images_;
    // Every size a window icon came in, by identifier: drawn from the nearest.
    QHash<QString, QList<QImage>> windowIcons_;
    QList<QString> insertionOrder_;
};

} // namespace ostrel
