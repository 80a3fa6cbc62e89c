#include "UiTest.h"

#include "platform/AppearancePalettes.h"
#include "ui/panel/AppAppearance.h"

#include <QEvent>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// A child that counts what reaches it.
class Probe : public QWidget {
public:
    int paints = 0;
    int paletteChanges = 0;
    QColor lastWindowColour;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
        lastWindowColour = palette().color(QPalette::Window);
        QPainter(this).fillRect(rect(), lastWindowColour);
    }
    void changeEvent(QEvent *event) override
    {
        paletteChanges += event->type() == QEvent::PaletteChange;
        QWidget::changeEvent(event);
    }
};

class PaletteWrites : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::PaletteChange;
        return false;
    }
};

class AppearanceTest : public test::UiTest {
protected:
    void setSystemDark(bool dark)
    {
        systemAppearance.set(dark);
        ASSERT_TRUE(test::waitUntil([&] { return appearanceObserver->isDark() == dark; }));
    }

    static bool showsDark(const QWidget &window)
    {
        return window.palette().color(QPalette::Window)
            == AppearancePalettes::dark().color(QPalette::Window);
    }
};

TEST_F(AppearanceTest, ThePreferenceAndTheDesktopChooseTheWindowPalette)
{
    start();
    struct Case {
        AppearancePreference preference;
        bool systemDark;
        bool dark;
    };
    for (const Case c : {Case{AppearancePreference::system, false, false},
                         Case{AppearancePreference::system, true, true},
                         Case{AppearancePreference::light, true, false},
                         Case{AppearancePreference::light, false, false},
                         Case{AppearancePreference::dark, false, true},
                         Case{AppearancePreference::dark, true, true}}) {
        SCOPED_TRACE(testing::Message()
                     << rawValue(c.preference).toStdString() << " system dark " << c.systemDark);
        setSystemDark(c.systemDark);
        model->setAppearance(c.preference);
        QWidget window;
        AppAppearance *appearance = AppAppearance::attach(&window, viewEnvironment());
        EXPECT_EQ(AppAppearance::attach(&window, viewEnvironment()), appearance);
        EXPECT_EQ(AppAppearance::of(&window), appearance);
        EXPECT_EQ(appearance->isDark(), c.dark);
        EXPECT_EQ(showsDark(window), c.dark);
        EXPECT_EQ(AppAppearance::resolvesDark(c.preference, c.systemDark), c.dark);
    }
}

TEST_F(AppearanceTest, WithoutAModelOrObserverAWindowIsLight)
{
    QWidget window;
    AppAppearance::attach(&window, ViewEnvironment{});
    EXPECT_FALSE(showsDark(window));
    EXPECT_TRUE(window.testAttribute(Qt::WA_SetPalette));
}

TEST_F(AppearanceTest, ALiveSwitchRepaintsAnOpenWindowAndAnUnchangedOneWritesNothing)
{
    start();
    model->setAppearance(AppearancePreference::system);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *probe = new Probe;
    probe->setMinimumSize(40, 20);
    layout->addWidget(probe);
    AppAppearance::attach(&window, viewEnvironment());
    PaletteWrites writes;
    window.installEventFilter(&writes);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();

    struct Step {
        const char *what;
        std::function<void()> change;
        bool dark;
        int writes;
    };
    const std::vector<Step> steps{
        {"desktop turns dark", [&] { setSystemDark(true); }, true, 1},
        {"the same desktop appearance again", [&] { setSystemDark(true); }, true, 0},
        {"the user picks dark", [&] { model->setAppearance(AppearancePreference::dark); }, true, 0},
        {"desktop turns light under dark", [&] { setSystemDark(false); }, true, 0},
        {"the user picks system", [&] { model->setAppearance(AppearancePreference::system); },
         false, 1},
        {"the user picks light", [&] { model->setAppearance(AppearancePreference::light); }, false,
         0},
        {"the user picks dark", [&] { model->setAppearance(AppearancePreference::dark); }, true, 1},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        writes.count = 0;
        const int paintsBefore = probe->paints;
        step.change();
        settle();
        EXPECT_EQ(writes.count, step.writes);
        EXPECT_EQ(showsDark(window), step.dark);
        if (step.writes > 0) {
            ASSERT_TRUE(test::waitUntil([&] { return probe->paints > paintsBefore; }));
            EXPECT_EQ(probe->lastWindowColour,
                      AppearancePalettes::forDark(step.dark).color(QPalette::Window));
        }
    }
    // The attachment only reads the choice.
    EXPECT_EQ(model->settings().appearance, AppearancePreference::dark);
}

TEST_F(AppearanceTest, AWindowThatGoesAwayLeavesTheSourcesUntouched)
{
    start();
    {
        QWidget window;
        AppAppearance::attach(&window, viewEnvironment());
    }
    setSystemDark(true);
    model->setAppearance(AppearancePreference::dark);
    settle();
    // Guards the use-after-free of a source calling the destroyed window's attachment (ASan).
    SUCCEED();
}

} // namespace
} // namespace ostrel
