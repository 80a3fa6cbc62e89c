#pragma once

#include "ui/panel/ViewEnvironment.h"

#include <QWidget>

namespace ostrel {

// What the panel shows until its real content is built: the two rows of its footer, "Settings…"
// (⌘,) and "Quit Ostrel" (⌘Q; Command is Super here).
class PlaceholderPanelContent : public QWidget {
    Q_OBJECT

public:
    explicit PlaceholderPanelContent(const ViewEnvironment &environment, QWidget *parent = nullptr);
};

} // namespace ostrel
