#pragma once

#include <QWidget>

namespace ostrel {

// What the settings window shows until its real pages are built.
class PlaceholderSettingsContent : public QWidget {
    Q_OBJECT

public:
    explicit PlaceholderSettingsContent(QWidget *parent = nullptr);
};

} // namespace ostrel
