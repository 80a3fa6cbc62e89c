#pragma once

#include "model/Layout.h"

#include <QWidget>

namespace ostrel {

class AppIconProvider;
class SymbolButton;

// One saved window in the layout-details window: the application's icon, the window's label and
// where it goes ("Display 2 · 50% × 100%"), each on one line, and the button that removes it
// from the layout (named "Remove " + the label). The row only shows; the window runs the removal.
class LayoutWindowRow : public QWidget {
    Q_OBJECT

public:
    LayoutWindowRow(const WindowEntry &entry, const QList<DisplaySnapshot> &displays,
                    AppIconProvider *icons, QWidget *parent = nullptr);

    SymbolButton *removeButton() const { return removeButton_; }

private:
    SymbolButton *removeButton_;
};

} // namespace ostrel
