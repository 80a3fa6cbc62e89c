#include "UiTest.h"

#include "TestApplication.h"

#include "ui/panel/UiStyle.h"

#include <QApplication>

namespace ostrel::test {

void ensureUiApplication()
{
    ensureApplication();
    UiStyle::install(*qApp);
}

void UiTest::SetUp()
{
    ensureUiApplication();
    AppModelTest::SetUp();
    appearanceObserver = std::make_unique<SystemAppearanceObserver>(&systemAppearance);
    keyboardLayout.switchLayout({{0, QStringLiteral("a")}, {12, QStringLiteral("q")}});
    layoutLabels = KeyboardLayoutLabels::create(keyboardLayout);
    keyLabels = layoutLabels.get();
    keyboardObserver = std::make_unique<KeyboardLayoutObserver>(keyboardLayout, layoutLabels);
    announcer = std::make_unique<Announcer>();
}

void UiTest::TearDown()
{
    AppModelTest::TearDown();
    announcer.reset();
    keyboardObserver.reset();
    keyLabels = nullptr;
    layoutLabels.reset();
    appearanceObserver.reset();
}

ViewEnvironment UiTest::viewEnvironment()
{
    ViewEnvironment environment;
    environment.setModel(model.get());
    environment.presenter = presenter.get();
    environment.markers = markers.get();
    environment.reduceMotion = &reduceMotion;
    environment.systemAppearance = appearanceObserver.get();
    environment.keyboardLayout = keyboardObserver.get();
    environment.shortcutRecordings = &shortcutRecordings;
    environment.appIcons = &appIcons;
    environment.announcer = announcer.get();
    environment.clock = &desktop.clock();
    environment.openSettings = [this] { ++settingsOpened; };
    environment.quit = [this] { ++quitRequested; };
    return environment;
}

} // namespace ostrel::test
