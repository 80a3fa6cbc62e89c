#pragma once

#include <QList>

namespace ostrel {

struct PanelState;

// The panel's sections, in the one order they can stand in.
enum class PanelSection {
    loading,
    storageProblem,
    permission,
    storageNotice,
    firstRun,
    selectedLayout,
    layoutDivider,
    progress,
    result,
    automationNotice,
    layouts,
    footerDivider,
    footer,
};

// Which sections the panel shows for a state, top to bottom. While the program starts only the
// loading line shows, and while storage is unusable only its problem: nothing below them could
// be acted on. The footer always closes the panel, so the program can be quit from any state.
QList<PanelSection> panelSectionTree(const PanelState &state);

} // namespace ostrel
