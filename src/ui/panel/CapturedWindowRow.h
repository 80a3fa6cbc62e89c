#pragma once

#include "model/DisplaySnapshot.h"
#include "model/WindowEntry.h"

#include <QList>
#include <QWidget>

namespace ostrel {

class AppIconProvider;
class SymbolButton;

// One captured window in the save window: the application's icon, the window's label over the
// display it is on and its size there, and a button that takes it out of the capture at once.
// Object names: "captured-window-label", "captured-window-placement",
// "remove-captured-window".
class CapturedWindowRow : public QWidget {
    Q_OBJECT

public:
    CapturedWindowRow(const WindowEntry &entry, const QList<DisplaySnapshot> &displays,
                      AppIconProvider *icons, QWidget *parent = nullptr);

    const WindowEntry &entry() const { return entry_; }
    // "Display 1 · 50% × 100%".
    static QString placement(const WindowEntry &entry, const QList<DisplaySnapshot> &displays);

signals:
    void removeRequested(const QUuid &entryID);

private:
    WindowEntry entry_;
    SymbolButton *removeButton_;
};

} // namespace ostrel
