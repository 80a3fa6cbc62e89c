#include "app/WindowPresenter.h"
#include "platform/SystemAppearanceObserver.h"
#include "system/fake/FakeSystemAppearance.h"

#include "VirtualTime.h"

#include "Await.h"
#include "TestApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QLabel>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace ostrel {
namespace {

class WindowPresenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        ASSERT_TRUE(settingsDir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
        presenter_ = std::make_unique<WindowPresenter>(&clock_);
        presenter_->setMainScreenHeight([this] { return screenHeight_; });
        for (const QString &id : {QString(WindowID::chooser), QString(WindowID::missingDisplays),
                                  QString(WindowID::resolution), QString(WindowID::saveLayout),
                                  QString(WindowID::layoutDetails), QString(WindowID::settings)}) {
            presenter_->setContentFactory(id, [this, id]() {
                ++made_[id];
                auto *content = new QWidget;
                content->setObjectName(id + QStringLiteral("-content"));
                return content;
            });
        }
    }

    void TearDown() override
    {
        presenter_.reset();
        // Lets a look still waiting on the clock end.
        test::advance(clock_, std::chrono::seconds(1));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QWidget *window(const QString &id) const { return presenter_->window(id); }

    QTemporaryDir settingsDir_;
    FakeClock clock_;
    std::optional<double> screenHeight_ = 1000.0;
    std::unique_ptr<WindowPresenter> presenter_;
    QHash<QString, int> made_;
};

TEST(WindowHeight, IsTheCapOrTheVisibleHeightLess100WithAUsableFloor)
{
    struct Case {
        int cap;
        std::optional<double> visible;
        int height;
    };
    // clang-format off
    const Case cases[] = {
        {813, 1000.0, 813}, {875, 1000.0, 875}, {813, 700.0, 600}, {875, 700.0, 600},
        {575, 600.0, 500},  {650, std::nullopt, 650}, {875, std::nullopt, 875},
        // Below the floor: a tiny or wrongly reported screen still gives a usable window.
        {575, 400.0, WindowPresenter::minimumWindowHeight},
        {575, 50.0, WindowPresenter::minimumWindowHeight},
        {575, -300.0, WindowPresenter::minimumWindowHeight},
        {575, std::numeric_limits<double>::quiet_NaN(), 575},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.cap << " on " << c.visible.value_or(-1));
        EXPECT_EQ(WindowPresenter::windowHeight(c.cap, c.visible), c.height);
    }
}

TEST_F(WindowPresenterTest, OpensEachWindowWithItsTitleAndSize)
{
    screenHeight_ = 600.0;
    presenter_->showChooser();
    presenter_->showMissingDisplays([] {});
    presenter_->showResolution([] {});
    presenter_->showSaveLayout();
    presenter_->showLayoutDetails();
    presenter_->showSettings();

    struct Expect {
        QString id;
        QString title;
        QSize size;
    };
    const Expect expected[] = {
        {WindowID::chooser, "Restore Layout", {440, 500}},
        {WindowID::missingDisplays, "Choose a Display", {640, 500}},
        {WindowID::resolution, "Choose Windows", {640, 500}},
        {WindowID::saveLayout, "Save Layout", {640, 500}},
        {WindowID::layoutDetails, "Layout Details", {640, 500}},
        {WindowID::settings, "Ostrel Settings", {640, 500}},
    };
    for (const auto &e : expected) {
        SCOPED_TRACE(e.id.toStdString());
        QWidget *w = window(e.id);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->objectName(), e.id);
        EXPECT_EQ(w->windowTitle(), e.title);
        EXPECT_EQ(w->size(), e.size);
        EXPECT_NE(w->findChild<QWidget *>(e.id + "-content"), nullptr);
    }
    // Decision windows have a fixed size; the layout windows can be resized.
    EXPECT_EQ(window(WindowID::chooser)->minimumSize(), window(WindowID::chooser)->maximumSize());
    EXPECT_NE(window(WindowID::saveLayout)->minimumSize(),
              window(WindowID::saveLayout)->maximumSize());
}

TEST_F(WindowPresenterTest, ShowingAnOpenWindowAgainReusesItAndReplacesItsCloseAction)
{
    int first = 0;
    int second = 0;
    presenter_->show(WindowID::resolution, "Choose Windows", {640, 500}, [&] { ++first; });
    QWidget *opened = window(WindowID::resolution);
    presenter_->show(WindowID::resolution, "Pick", {600, 400}, [&] { ++second; });

    EXPECT_EQ(window(WindowID::resolution), opened);
    EXPECT_EQ(made_[WindowID::resolution], 1);
    EXPECT_EQ(opened->windowTitle(), "Pick");
    EXPECT_EQ(opened->size(), QSize(600, 400));

    opened->close(); // the user's close button
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TEST_F(WindowPresenterTest, TheSettingsWindowIsOneWindowAtItsOwnSizeBroughtBackAsItIs)
{
    struct Case {
        std::optional<double> screen;
        QSize size;
    };
    // min(750, visible height − 100), with the floor of every window below it.
    const Case cases[] = {
        {900.0, {640, 750}},
        {800.0, {640, 700}},
        {std::nullopt, {640, 750}},
        {200.0, {640, WindowPresenter::minimumWindowHeight}},
    };
    for (const Case &c : cases) {
        screenHeight_ = c.screen;
        presenter_->showSettings();
        QWidget *window = this->window(WindowID::settings);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->size(), c.size);
        EXPECT_EQ(window->minimumSize(), window->maximumSize());

        // Asked again while open: the same window, where the user left it.
        window->move(window->pos() + QPoint(37, 21));
        const QPoint moved = window->pos();
        presenter_->showSettings();
        EXPECT_EQ(this->window(WindowID::settings), window);
        EXPECT_EQ(window->pos(), moved);
        presenter_->close(WindowID::settings);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(made_[WindowID::settings], 4);
}

TEST_F(WindowPresenterTest, ClosingEverythingAtQuitRunsNoCloseActionAndEndsTheAlerts)
{
    int closedByUser = 0;
    presenter_->showResolution([&] { ++closedByUser; });
    presenter_->showSettings();
    QWidget registered;
    presenter_->registerWindow(WindowID::saveLayout, &registered);
    registered.show();
    bool alertEnded = false;
    auto alert = [](WindowPresenter &presenter, bool &ended) -> QCoro::Task<void> {
        co_await presenter.presentAlert(QStringLiteral("Title"), QStringLiteral("Message"));
        ended = true;
    };
    QCoro::Task<void> waiting = alert(*presenter_, alertEnded);

    presenter_->closeAll();
    EXPECT_EQ(window(WindowID::resolution), nullptr);
    EXPECT_EQ(window(WindowID::settings), nullptr);
    EXPECT_FALSE(registered.isVisible());
    EXPECT_EQ(closedByUser, 0);
    EXPECT_TRUE(alertEnded);
    EXPECT_EQ(presenter_->activeAlert(), nullptr);
}

TEST_F(WindowPresenterTest, OnlyTheUsersCloseRunsTheCloseAction)
{
    int cancelled = 0;
    presenter_->showMissingDisplays([&] { ++cancelled; });
    presenter_->close(WindowID::missingDisplays);
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(window(WindowID::missingDisplays), nullptr);

    // A new window with fresh content; the user closes it: the action runs once.
    presenter_->showMissingDisplays([&] { ++cancelled; });
    EXPECT_EQ(made_[WindowID::missingDisplays], 2);
    window(WindowID::missingDisplays)->close();
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(window(WindowID::missingDisplays), nullptr);

    // The action was used up with the window.
    presenter_->showMissingDisplays(nullptr);
    window(WindowID::missingDisplays)->close();
    EXPECT_EQ(cancelled, 1);
}

TEST_F(WindowPresenterTest, ClosingAWindowThatIsNotOpenLeavesNoMarkBehind)
{
    int cancelled = 0;
    // A reset closes every identifier, open or not.
    presenter_->close(WindowID::resolution);
    presenter_->showResolution([&] { ++cancelled; });
    window(WindowID::resolution)->close();
    EXPECT_EQ(cancelled, 1);
}

TEST_F(WindowPresenterTest, TheChooserStoresNoCloseActionAndDropsAnOldOne)
{
    int ran = 0;
    presenter_->show(WindowID::chooser, "Restore Layout", {440, 500}, [&] { ++ran; });
    presenter_->close(WindowID::chooser);
    presenter_->show(WindowID::chooser, "Restore Layout", {440, 500}, [&] { ++ran; });
    presenter_->showChooser();
    window(WindowID::chooser)->close();
    EXPECT_EQ(ran, 0);
}

TEST_F(WindowPresenterTest, FocusLooksSixTimesForAWindowThatRegistersItselfLater)
{
    // Looks at 0, 0.1, … 0.5 s after the call.
    struct Case {
        std::chrono::milliseconds registersAt;
        std::optional<std::chrono::milliseconds> broughtForwardAt;
    };
    const Case cases[] = {{0ms, 0ms}, {250ms, 300ms}, {450ms, 500ms}, {550ms, std::nullopt}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.registersAt.count());
        QWidget scene;
        if (c.registersAt == 0ms) {
            presenter_->registerWindow(WindowID::saveLayout, &scene);
        }
        presenter_->focus(WindowID::saveLayout);
        test::advance(clock_, c.registersAt);
        presenter_->registerWindow(WindowID::saveLayout, &scene);
        if (c.broughtForwardAt) {
            if (*c.broughtForwardAt > c.registersAt) {
                test::advance(clock_, *c.broughtForwardAt - c.registersAt - 10ms);
                EXPECT_FALSE(scene.isVisible());
                test::advance(clock_, 10ms);
            }
            EXPECT_TRUE(scene.isVisible());
        }
        test::advance(clock_, 1s);
        EXPECT_EQ(scene.isVisible(), c.broughtForwardAt.has_value());
        EXPECT_EQ(clock_.pendingSleeps(), 0);
        presenter_->unregisterWindow(WindowID::saveLayout, &scene);
    }
}

TEST_F(WindowPresenterTest, RegisteredWindowsAreClosedDirectlyAndUnregisterOnlyThemselves)
{
    QWidget first;
    QWidget second;
    presenter_->registerWindow(WindowID::layoutDetails, &first);
    presenter_->registerWindow(WindowID::layoutDetails, &second);
    presenter_->unregisterWindow(WindowID::layoutDetails, &first);
    EXPECT_EQ(window(WindowID::layoutDetails), &second);

    second.show();
    presenter_->close(WindowID::layoutDetails);
    EXPECT_FALSE(second.isVisible());
}

TEST_F(WindowPresenterTest, AWindowAccessorRegistersTheWindowItSitsIn)
{
    auto host = std::make_unique<QWidget>();
    auto *accessor = new WindowAccessor(WindowID::saveLayout, *presenter_, host.get());
    EXPECT_EQ(window(WindowID::saveLayout), host.get());

    // Moved to another window: the old registration goes, the new one comes.
    QWidget other;
    accessor->setParent(&other);
    EXPECT_EQ(window(WindowID::saveLayout), &other);
    delete accessor;
    EXPECT_EQ(window(WindowID::saveLayout), nullptr);
}

TEST_F(WindowPresenterTest, AnAlertCompletesWhenTheUserDismissesIt)
{
    auto alert = presenter_->presentAlert("Accessibility Access Needed", "Allow Ostrel.");
    QMessageBox *box = presenter_->activeAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Accessibility Access Needed");
    EXPECT_EQ(box->informativeText(), "Allow Ostrel.");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->buttons().size(), 1);
    // Modal like the platform's alerts, yet awaited: no nested event loop runs.
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), box);
    EXPECT_TRUE(box->textInteractionFlags() & Qt::TextSelectableByMouse) << "texts can be copied";
    EXPECT_TRUE(presenter_->answerAlert("OK"));
    test::await(std::move(alert));
    EXPECT_EQ(presenter_->activeAlert(), nullptr);
    EXPECT_FALSE(presenter_->answerAlert("OK"));
}

TEST_F(WindowPresenterTest, ADestructiveConfirmationIsTrueOnlyForItsAction)
{
    enum class Answer { action, cancel, escape, closed };
    struct Case {
        Answer answer;
        bool confirmed;
    };
    for (const Case c : {Case{Answer::action, true}, Case{Answer::cancel, false},
                         Case{Answer::escape, false}, Case{Answer::closed, false}}) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        auto confirmation = presenter_->confirmDestructiveAction(
            "Delete “Desk”?", "This cannot be undone.", "Delete");
        QMessageBox *box = presenter_->activeAlert();
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->buttons().size(), 2);
        EXPECT_EQ(box->defaultButton()->text(), "Cancel") << "Return never erases anything";
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        switch (c.answer) {
        case Answer::action:
            presenter_->answerAlert("Delete");
            break;
        case Answer::cancel:
            presenter_->answerAlert("Cancel");
            break;
        case Answer::escape: {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &escape);
        } break;
        case Answer::closed:
            box->close();
            break;
        }
        EXPECT_EQ(test::await(std::move(confirmation)), c.confirmed);
    }
}

TEST_F(WindowPresenterTest, AConfirmationGivenAWindowBelongsToItAndEndsWithIt)
{
    enum class End { closed, deleted };
    for (const End end : {End::closed, End::deleted}) {
        SCOPED_TRACE(static_cast<int>(end));
        auto *window = new QWidget;
        auto *inner = new QWidget(window);
        window->show();
        auto confirmation =
            presenter_->confirmDestructiveAction("Delete Layout?", "Gone.", "Delete", inner);
        QMessageBox *box = presenter_->activeAlert();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->parentWidget(), window) << "the alert belongs to the inner widget's window";
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        switch (end) {
        case End::closed:
            window->close();
            EXPECT_FALSE(test::await(std::move(confirmation)));
            delete window;
            break;
        case End::deleted:
            delete window;
            EXPECT_FALSE(test::await(std::move(confirmation)));
            break;
        }
        EXPECT_EQ(presenter_->activeAlert(), nullptr);
    }
}

TEST_F(WindowPresenterTest, AlertTextsFromDataShowLiterally)
{
    auto alert =
        presenter_->presentAlert("“<b>R&D</b>” couldn’t be restored.", "<img src=x> & more");
    QMessageBox *box = presenter_->activeAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    const auto *informative = box->findChild<QLabel *>("qt_msgbox_informativelabel");
    ASSERT_NE(informative, nullptr);
    EXPECT_EQ(informative->textFormat(), Qt::PlainText);
    EXPECT_EQ(informative->text(), "<img src=x> & more");
    presenter_->answerAlert("OK");
    test::await(std::move(alert));
}

TEST_F(WindowPresenterTest, AlertsTakeTheAppearanceChosenInTheProgram)
{
    struct Case {
        const char *stored;
        int expected; // -1 darker than mid-grey, 1 lighter, 0 the application's palette
    };
    for (const Case c : {Case{"dark", -1}, Case{"light", 1}, Case{"system", 0}, Case{"sepia", 0},
                         Case{nullptr, 0}}) {
        SCOPED_TRACE(c.stored ? c.stored : "absent");
        {
            QSettings settings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel"));
            if (c.stored) {
                settings.setValue("appearance", QString::fromLatin1(c.stored));
            } else {
                settings.remove("appearance");
            }
        }
        auto alert = presenter_->presentAlert("Title", "Message");
        QMessageBox *box = presenter_->activeAlert();
        ASSERT_NE(box, nullptr);
        const QColor background = box->palette().color(QPalette::Window);
        if (c.expected == 0) {
            EXPECT_EQ(background, QApplication::palette(box).color(QPalette::Window));
        } else {
            EXPECT_EQ(background.lightness() > 128, c.expected > 0);
        }
        presenter_->answerAlert("OK");
        test::await(std::move(alert));
    }
}

TEST_F(WindowPresenterTest, UnderTheSystemAppearanceAlertsFollowTheObserverTheyAreGiven)
{
    QSettings(QStringLiteral("Ostrel"), QStringLiteral("Ostrel")).setValue("appearance", "system");
    for (const bool dark : {true, false}) {
        SCOPED_TRACE(dark ? "dark desktop" : "light desktop");
        FakeSystemAppearance desktop(dark);
        SystemAppearanceObserver observer(&desktop);
        WindowPresenter presenter(&clock_, &observer);
        auto alert = presenter.presentAlert("Title", "Message");
        QMessageBox *box = presenter.activeAlert();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->palette().color(QPalette::Window).lightness() > 128, !dark);
        presenter.answerAlert("OK");
        test::await(std::move(alert));
    }
}

TEST_F(WindowPresenterTest, AnAlertStillOpenWhenThePresenterGoesAwayEndsAsCancelled)
{
    auto confirmation = presenter_->confirmDestructiveAction("Delete?", "Gone for good.", "Delete");
    presenter_.reset();
    EXPECT_FALSE(test::await(std::move(confirmation)));
}

} // namespace
} // namespace ostrel
