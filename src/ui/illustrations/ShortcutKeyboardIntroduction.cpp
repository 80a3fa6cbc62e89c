#include "ui/illustrations/ShortcutKeyboardIntroduction.h"

#include "ui/illustrations/HairlineKeyboardCanvas.h"

namespace ostrel {

namespace {

// Black and white are what the screen and multiply blends leave the page unchanged under.
void followScheme(HairlineKeyboardCanvas *keyboard, bool dark)
{
    keyboard->setDark(dark);
    keyboard->setSurface(dark ? QColor(Qt::black) : QColor(Qt::white));
}

HairlineKeyboardCanvas *makeKeyboard()
{
    auto *keyboard = new HairlineKeyboardCanvas(HairlineKeyboardCamera::isometric);
    keyboard->setObjectName(QStringLiteral("keyboard-illustration"));
    keyboard->setIntensity(0.5);
    keyboard->setPaused(false);
    keyboard->setAutoplay(true);
    keyboard->setViewBox(QRectF(45, 75, 310, 180));
    return keyboard;
}

} // namespace

ShortcutKeyboardIntroduction::ShortcutKeyboardIntroduction(QWidget *parent)
    : HairlineRouteIntroduction(QStringLiteral("One Chord. Your Workspace."),
                                QStringLiteral("Bring back a layout without leaving the keyboard."),
                                150, 96, -25.81505117707799, 0, makeKeyboard(), parent)
{
    followScheme(keyboard(), isDark());
    connect(this, &HairlineRouteIntroduction::schemeChanged, this,
            [this](bool dark) { followScheme(keyboard(), dark); });
}

HairlineKeyboardCanvas *ShortcutKeyboardIntroduction::keyboard() const
{
    return static_cast<HairlineKeyboardCanvas *>(artwork());
}

} // namespace ostrel
