#pragma once

#include "ui/panel/ViewEnvironment.h"

#include <QWidget>

namespace ostrel {

// What the settings window shows until its real pages are built: nothing but the window's
// appearance.
class PlaceholderSettingsContent : public QWidget {
    Q_OBJECT

public:
    explicit PlaceholderSettingsContent(const ViewEnvironment &environment, QWidget *parent = nullptr);
};

} // namespace ostrel
