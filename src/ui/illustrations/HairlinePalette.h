#pragma once

#include <QColor>

#include <optional>

namespace ostrel {

// The colours of the line illustrations in one appearance.
struct HairlinePalette {
    QColor surface; // fills occluding marks unless the host gives its own surface
    QColor ink;     // the strongest stroke: the highlighted item
    QColor dim;     // ordinary strokes
    QColor faint;   // the weakest strokes
    QColor readout; // the readout overlay

    static HairlinePalette forAppearance(bool dark, std::optional<QColor> surface = std::nullopt);

    friend bool operator==(const HairlinePalette &, const HairlinePalette &) = default;
};

} // namespace ostrel
