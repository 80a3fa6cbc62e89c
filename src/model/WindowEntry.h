#pragma once

#include "model/RelativeFrame.h"

#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// One saved window of a layout. It keeps no title, file path or full page address.
struct WindowEntry {
    QUuid id;
    QString bundleID; // never empty
    QString appName;  // never empty
    QString role;
    QString subrole;
    std::optional<QString> hostname; // browser windows only
    QString displayKey;              // one of the layout's display keys
    RelativeFrame relativeFrame;     // always storable

    friend bool operator==(const WindowEntry &, const WindowEntry &) = default;

    // The application name, with " — host" for a browser window.
    QString label() const;
    // The size as percentages of the display's visible frame: "51% × 33%".
    QString geometryDescription() const;
};

} // namespace ostrel
