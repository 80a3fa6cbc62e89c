#pragma once

#include "model/DisplaySnapshot.h"
#include "model/WindowEntry.h"
#include "storage/LayoutStore.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QUuid>

namespace ostrel::bench {

// Fills a store with `layoutCount` layouts of `windowsPerLayout` windows of ten applications on
// the first of `displays`: the library a long-time user brings to a start.
inline void fillLibrary(LayoutStore &store, const QList<DisplaySnapshot> &displays, int layoutCount,
                        int windowsPerLayout)
{
    for (int i = 0; i < layoutCount; ++i) {
        QList<WindowEntry> entries;
        for (int w = 0; w < windowsPerLayout; ++w) {
            WindowEntry entry;
            entry.id = QUuid::createUuid();
            entry.bundleID = QStringLiteral("org.example.app%1").arg(w % 10);
            entry.appName = QStringLiteral("App %1").arg(w % 10);
            entry.role = QStringLiteral("AXWindow");
            entry.subrole = QStringLiteral("AXStandardWindow");
            entry.displayKey = displays.first().identity.key();
            entry.relativeFrame = RelativeFrame{0.01 * w, 0.02, 0.5, 0.5};
            entries << entry;
        }
        QCoro::waitFor(store.createLayout(QStringLiteral("Layout %1").arg(i), displays, entries,
                                          std::nullopt));
    }
}

} // namespace ostrel::bench
