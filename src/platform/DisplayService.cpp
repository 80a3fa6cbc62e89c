#include "platform/DisplayService.h"

#include <algorithm>

namespace ostrel {

QList<CurrentDisplay> DisplayService::currentDisplays() const
{
    const std::optional<quint32> mainNumber = screens_.mainDisplayNumber();
    QList<CurrentDisplay> displays;
    for (const Screen &screen : screens_.screens()) {
        if (!screen.displayNumber) {
            continue;
        }
        CurrentDisplay display;
        display.identity = screen.identity;
        display.cgDisplayID = *screen.displayNumber;
        display.name = screen.name;
        display.frame = screen.frame;
        display.visibleFrame = screen.visibleFrame;
        display.pixelWidth = screen.pixelWidth;
        display.pixelHeight = screen.pixelHeight;
        display.scale = screen.scale;
        display.isPrimary = mainNumber && *screen.displayNumber == *mainNumber;
        displays.append(display);
    }
    std::stable_sort(displays.begin(), displays.end(),
                     [](const CurrentDisplay &a, const CurrentDisplay &b) {
                         if (a.frame.x != b.frame.x) {
                             return a.frame.x < b.frame.x;
                         }
                         if (a.frame.y != b.frame.y) {
                             return a.frame.y < b.frame.y;
                         }
                         return a.identity.key() < b.identity.key();
                     });
    return displays;
}

} // namespace ostrel
