#pragma once

#include "AppModelFixture.h"

#include "platform/AppIconProvider.h"
#include "platform/KeyboardLayoutLabels.h"
#include "platform/KeyboardLayoutObserver.h"
#include "platform/SystemAppearanceObserver.h"
#include "system/fake/FakeKeyboardLayout.h"
#include "system/fake/FakeReduceMotion.h"
#include "system/fake/FakeSystemAppearance.h"
#include "ui/panel/Announcer.h"
#include "ui/panel/ViewEnvironment.h"

#include <memory>

namespace ostrel::test {

// The application object with the program's widget style; every UI test calls it first.
void ensureUiApplication();

// The model on the fake desktop (see AppModelTest) and the rest of what views are handed: a
// desktop appearance that starts light, a reduce-motion switch that starts off, a keyboard
// layout with the US letters, and an announcer. `start()` builds the model; until then the
// view environment carries no model.
class UiTest : public AppModelTest {
protected:
    FakeSystemAppearance systemAppearance{false};
    std::unique_ptr<SystemAppearanceObserver> appearanceObserver;
    FakeReduceMotion reduceMotion{false};
    FakeKeyboardLayout keyboardLayout;
    // Also the model's key labels.
    std::shared_ptr<KeyboardLayoutLabels> layoutLabels;
    std::unique_ptr<KeyboardLayoutObserver> keyboardObserver;
    std::unique_ptr<Announcer> announcer;
    // No icons installed: every application shows its stand-in unless a test gives a source.
    AppIconProvider appIcons;
    int settingsOpened = 0;
    int quitRequested = 0;

    void SetUp() override;
    void TearDown() override;

    ViewEnvironment viewEnvironment();
};

} // namespace ostrel::test
