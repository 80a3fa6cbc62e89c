#pragma once

#include <QWidget>

#include <functional>

namespace ostrel {

// What the panel shows until its real content is built: the program's name, "Settings…" and
// "Quit Ostrel" (⌘Q, which is Super+Q here).
class PlaceholderPanelContent : public QWidget {
    Q_OBJECT

public:
    explicit PlaceholderPanelContent(std::function<void()> openSettings, QWidget *parent = nullptr);
};

} // namespace ostrel
