#include "restore/UndoTarget.h"

#include "model/RelativeFrame.h"
#include "platform/DisplayGeometry.h"
#include "restore/RestoreGeometry.h"

#include <algorithm>

namespace ostrel {

using namespace RestoreGeometry;

std::optional<UndoTarget> UndoTarget::forWindow(const UndoWindow &window,
                                                const QList<CurrentDisplay> &displays)
{
    if (displays.isEmpty()) {
        return std::nullopt;
    }
    const auto nearestToReference = [&]() {
        return DisplayGeometry::displayFor(window.reference.frame, displays,
                                           DisplayGeometry::DisplayArea::visibleFrame)
            .value_or(displays.first());
    };

    if (!window.displayKey || !window.displayVisibleFrame
        || !window.displayVisibleFrame->isUsableFrame()) {
        const CurrentDisplay display = nearestToReference();
        return UndoTarget{
            window.previousFrame.clamped(display.visibleFrame, minimumWidth, minimumHeight),
            std::nullopt};
    }

    const auto found = std::find_if(displays.begin(), displays.end(), [&](const CurrentDisplay &d) {
        return d.identity.key() == *window.displayKey;
    });
    if (found == displays.end()) {
        const CurrentDisplay display = nearestToReference();
        return UndoTarget{
            window.previousFrame.clamped(display.visibleFrame, minimumWidth, minimumHeight),
            QStringLiteral("Original display missing. Placed on ") + display.name
                + QStringLiteral(".")};
    }
    if (found->visibleFrame.isApproximatelyEqual(*window.displayVisibleFrame,
                                                 unchangedDisplayTolerance)) {
        return UndoTarget{window.previousFrame, std::nullopt};
    }
    const RelativeFrame relative =
        RelativeFrame::fromFrame(window.previousFrame, *window.displayVisibleFrame);
    return UndoTarget{relative.absolute(found->visibleFrame)
                          .clamped(found->visibleFrame, minimumWidth, minimumHeight),
                      QStringLiteral("Adjusted to fit this display.")};
}

} // namespace ostrel
