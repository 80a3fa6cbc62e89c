#pragma once

#include "UiTest.h"

#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelView.h"

#include <QSemaphore>

#include <atomic>
#include <memory>

namespace ostrel::test {

// The panel on the fake desktop with a real store: the model, the work that outlives the panel,
// and the panel itself, made once the model has started.
class PanelTest : public UiTest {
protected:
    std::unique_ptr<PanelActions> actions;
    std::unique_ptr<PanelView> panel;
    QList<AXElement> editor;
    QList<AXElement> mail;

    void SetUp() override;
    void TearDown() override;

    // Starts the model (waiting for its store unless told not to) and builds the panel.
    PanelView &openPanel(bool waitForStore = true);
    // Lets the panel take in what the model published.
    void refresh();
    // Shows the panel off screen and lays it out, as the tray would show it.
    void showPanel();

    // A layout of the two open windows saved under `name`.
    Layout saveLayout(const QString &name);

    // Holds the next call of `kind` on the thread that makes it, until released.
    struct Held {
        std::function<void()> reached;
        std::function<void()> release;
    };
    Held holdNext(FakeCall::Kind kind);

    QWidget *shown(PanelSection section) const { return panel->section(section); }
};

} // namespace ostrel::test
