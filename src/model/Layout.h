#pragma once

#include "model/DisplaySnapshot.h"
#include "model/Shortcut.h"
#include "model/WindowEntry.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

namespace ostrel {

// One saved layout: the displays it was captured on and its windows.
struct Layout {
    QUuid id;
    QString name; // trimmed, 1 to 120 characters, unique regardless of letter case
    QDateTime createdAt;
    QDateTime updatedAt;             // last change of any kind
    QList<DisplaySnapshot> displays; // distinct keys, at most one primary
    QList<WindowEntry> entries;      // never empty
    std::optional<Shortcut> shortcut;
    bool automationEnabled = false;
    // The topology signature of the display set the layout is linked to.
    std::optional<QString> automationTopologySignature;

    friend bool operator==(const Layout &, const Layout &) = default;

    QSet<QString> displayKeys() const;
};

} // namespace ostrel
