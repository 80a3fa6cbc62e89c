#pragma once

#include "model/DisplaySnapshot.h"
#include "model/WindowEntry.h"
#include "model/WindowReference.h"

#include <QHash>
#include <QList>
#include <QUuid>

namespace ostrel {

// A capture before it is saved. It keeps no window title, file path or page address.
struct CapturePreview {
    QUuid id; // new for every capture
    QList<DisplaySnapshot> displays;
    QList<WindowEntry> entries;
    QHash<QUuid, WindowReference> references; // entry id → the live window it was made from
    qint64 excludedWindowCount = 0;
    qint64 unsupportedWindowCount = 0;

    friend bool operator==(const CapturePreview &, const CapturePreview &) = default;
};

} // namespace ostrel
