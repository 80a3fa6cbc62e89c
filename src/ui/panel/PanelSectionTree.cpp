#include "ui/panel/PanelSectionTree.h"

#include "ui/panel/PanelState.h"

namespace ostrel {

QList<PanelSection> panelSectionTree(const PanelState &state)
{
    QList<PanelSection> sections;
    if (state.isBootstrapping) {
        sections.append(PanelSection::loading);
    } else if (state.storageProblem) {
        sections.append(PanelSection::storageProblem);
    } else {
        if (!state.permissionTrusted) {
            sections.append(PanelSection::permission);
        }
        if (state.storageNotice) {
            sections.append(PanelSection::storageNotice);
        }
        if (state.layouts.isEmpty()) {
            sections.append(PanelSection::firstRun);
        } else {
            sections.append(PanelSection::selectedLayout);
            sections.append(PanelSection::layoutDivider);
            // A running pass stands in for the result of the one before it.
            if (state.busy && state.progress) {
                sections.append(PanelSection::progress);
            }
            if (state.lastResult && !state.busy) {
                sections.append(PanelSection::result);
            }
            if (state.automationNotice) {
                sections.append(PanelSection::automationNotice);
            }
            sections.append(PanelSection::layouts);
        }
    }
    sections.append(PanelSection::footerDivider);
    sections.append(PanelSection::footer);
    return sections;
}

} // namespace ostrel
