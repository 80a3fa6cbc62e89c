#pragma once

namespace ostrel {

// Picks the window system the panel is shown on, before the application object exists: the X
// server of DISPLAY when it answers, else a Wayland compositor (the program then runs without
// access to other windows and says so). Qt itself gives up with an abort when the window system
// it was told to use cannot be opened, so this looks first. A platform named in QT_QPA_PLATFORM
// is left as it is. False when there is no display to show anything on.
bool choosePlatform();

} // namespace ostrel
