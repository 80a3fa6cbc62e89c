#pragma once

#include "ui/panel/PanelButton.h"

namespace ostrel {

// The small "xmark" that dismisses a notice of the panel, at once and without asking.
class DismissButton : public PanelButton {
    Q_OBJECT

public:
    explicit DismissButton(const QString &accessibleName, QWidget *parent = nullptr);
};

} // namespace ostrel
