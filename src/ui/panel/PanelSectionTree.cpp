#include "ui/panel/PanelSectionTree.h"

#include "ui/panel/PanelState.h"

namespace ostrel {

QList<PanelSection> panelSectionTree(const PanelState &state)
{
    QList<PanelSection> sections;
    if (state.storage.isBootstrapping) {
        sections.append(PanelSection::loading);
    } else if (state.storage.storageProblem) {
        sections.append(PanelSection::storageProblem);
    } else {
        if (!state.session.permissionTrusted) {
            sections.append(PanelSection::permission);
        }
        if (state.storage.storageNotice) {
            sections.append(PanelSection::storageNotice);
        }
        if (state.saved.layouts.isEmpty()) {
            sections.append(PanelSection::firstRun);
        } else {
            sections.append(PanelSection::selectedLayout);
            sections.append(PanelSection::layoutDivider);
            // A running pass stands in for the result of the one before it.
            if (state.restore.busy && state.restore.progress) {
                sections.append(PanelSection::progress);
            }
            if (state.restore.lastResult && !state.restore.busy) {
                sections.append(PanelSection::result);
            }
            if (state.session.automationNotice) {
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
