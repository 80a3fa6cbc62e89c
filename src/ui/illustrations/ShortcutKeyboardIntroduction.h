#pragma once

#include "ui/illustrations/HairlineRouteIntroduction.h"

namespace ostrel {

class HairlineKeyboardCanvas;

// The shortcuts page's header: the keyboard illustration ("keyboard-illustration") above its own
// title and detail.
class ShortcutKeyboardIntroduction : public HairlineRouteIntroduction {
    Q_OBJECT

public:
    explicit ShortcutKeyboardIntroduction(QWidget *parent = nullptr);

private:
    HairlineKeyboardCanvas *keyboard() const;
};

} // namespace ostrel
