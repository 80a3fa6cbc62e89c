#include "PanelFixture.h"

#include "Await.h"

namespace ostrel::test {

void PanelTest::SetUp()
{
    UiTest::SetUp();
    editor = addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    mail = addApplication("com.example.mail", "Mail", {{700, 200, 500, 500}});
}

void PanelTest::TearDown()
{
    panel.reset();
    actions.reset();
    UiTest::TearDown();
}

PanelView &PanelTest::openPanel(bool waitForStore)
{
    if (waitForStore) {
        start();
    } else {
        startWithoutWaiting();
    }
    actions = std::make_unique<PanelActions>(*model, *presenter);
    panel = std::make_unique<PanelView>(viewEnvironment(), *actions);
    return *panel;
}

void PanelTest::refresh()
{
    settle();
}

void PanelTest::showPanel()
{
    panel->setAttribute(Qt::WA_DontShowOnScreen);
    panel->show();
    refresh();
    panel->adjustSize();
    refresh();
}

Layout PanelTest::saveLayout(const QString &name)
{
    return saveCurrentWindows(name);
}

PanelTest::Held PanelTest::holdNext(FakeCall::Kind kind)
{
    auto gate = std::make_shared<QSemaphore>(0);
    auto held = std::make_shared<std::atomic<bool>>(false);
    desktop.setHook([gate, held, kind](const FakeCall &call) {
        if (call.kind == kind && !held->exchange(true)) {
            gate->acquire();
        }
    });
    return {[held] { ASSERT_TRUE(waitUntil([&] { return bool(*held); })); },
            [this, gate] {
                desktop.setHook({});
                gate->release();
            }};
}

} // namespace ostrel::test
