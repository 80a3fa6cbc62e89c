#include "KeyboardWalk.h"
#include "Screenshots.h"
#include "AppModelTestSeam.h"
#include "UiTest.h"

#include "ui/panel/PanelButton.h"
#include "ui/panel/RouteIntroduction.h"
#include "ui/windows/DecisionWindows.h"
#include "ui/windows/FormSection.h"
#include "ui/windows/WindowResolutionView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSemaphore>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString notesName = QStringLiteral("Notes & <b>Co</b>");

// "Work" was saved with one Editor, one Mail and one Notes window. In a new session there are
// two Editor windows and three Notes windows, so both of those saved windows need a choice.
class WindowResolutionViewTest : public UiTest {
protected:
    Layout work;
    qint32 notes = 0;
    qint32 editor = 0;

    void SetUp() override
    {
        UiTest::SetUp();
        editor = desktop.addApplication("com.example.editor", "Editor");
        desktop.addWindow(editor, {100, 100, 600, 400});
        addApplication("com.example.mail", "Mail", {{700, 200, 500, 500}});
        notes = desktop.addApplication("com.example.notes", notesName);
        desktop.addWindow(notes, {120, 500, 300, 200});
        start();
        work = saveCurrentWindows("Work");
        model.reset();
        desktop.addWindow(editor, {900, 50, 500, 300});
        desktop.addWindow(notes, {800, 600, 300, 200});
        desktop.addWindow(notes, {400, 300, 320, 240});
        start();
        registerDecisionWindows(*presenter, viewEnvironment());
    }

    void restoreUntilAsked()
    {
        model->restoreSelectedLayout();
        ASSERT_TRUE(waitUntil([&] {
            return !model->restoreStatus().busy
                && model->restoreStatus().resolutionRequest.has_value();
        }));
        ASSERT_TRUE(isOpen(WindowID::resolution));
        ASSERT_EQ(model->restoreStatus().resolutionRequest->ambiguous.size(), 2);
        settle();
    }

    WindowResolutionView *view() const
    {
        QWidget *window = presenter->window(QString(WindowID::resolution));
        return window ? window->findChild<WindowResolutionView *>() : nullptr;
    }
    template <class T>
    T *find(const char *name) const
    {
        return view()->findChild<T *>(QString::fromLatin1(name));
    }
    const AmbiguousEntry &entry(const QString &appName) const
    {
        for (const AmbiguousEntry &e : model->restoreStatus().resolutionRequest->ambiguous) {
            if (e.appName == appName) {
                return e;
            }
        }
        throw std::runtime_error("no such entry");
    }
    FormSection *section(const QString &title) const
    {
        for (FormSection *s : view()->findChildren<FormSection *>("resolution-entry")) {
            if (s->findChild<QLabel *>("form-section-title")->text() == title) {
                return s;
            }
        }
        return nullptr;
    }
    QList<QRadioButton *> radios(const QString &title) const
    {
        return section(title)->findChildren<QRadioButton *>();
    }
    QCheckBox *skip(const QString &title) const
    {
        return section(title)->findChild<QCheckBox *>("resolution-skip");
    }
    QString note(const QString &title) const
    {
        const QLabel *label = section(title)->findChild<QLabel *>("resolution-note");
        return label->isVisibleTo(view()) ? label->text() : QString();
    }
    // The window's keys reach it while it is the active window, as they do for a person.
    void press(int key) const
    {
        QWidget *window = view()->window();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(view(), Qt::Key(key));
    }
    QString status() const { return find<QLabel>("resolution-status")->text(); }
    PanelButton *apply() const { return find<PanelButton>("resolution-apply"); }
    PanelButton *showMarkers(const QString &title) const
    {
        return section(title)->findChild<PanelButton *>("resolution-show-markers");
    }
    QList<int> markerNumbers() const
    {
        QList<int> numbers;
        for (const MarkerContentView *panel : markers->panels()) {
            numbers.append(panel->number());
        }
        return numbers;
    }

    // Holds the window service at its first read of one of `windows`; `reached` waits until it
    // is held, `release` lets it go on.
    struct HeldService {
        std::function<void()> reached;
        std::function<void()> release;
    };
    HeldService holdWindowService(const QList<WindowReference> &windows)
    {
        QSet<AXElement> elements;
        for (const WindowReference &w : windows) {
            elements.insert(w.element);
        }
        auto gate = std::make_shared<QSemaphore>(0);
        auto held = std::make_shared<std::atomic<bool>>(false);
        desktop.setHook([gate, held, elements](const FakeCall &call) {
            if (call.kind == FakeCall::Kind::read && elements.contains(call.element)
                && !held->exchange(true)) {
                gate->acquire();
            }
        });
        return {[held] { ASSERT_TRUE(waitUntil([&] { return bool(*held); })); },
                [this, gate] {
                    desktop.setHook({});
                    gate->release();
                }};
    }
};

TEST_F(WindowResolutionViewTest, TheDialogCountsChoicesAndSkipsAndNeverHoldsBoth)
{
    restoreUntilAsked();
    const QLabel *detail = view()->findChild<RouteIntroduction *>()->detailLabel();
    EXPECT_EQ(detail->text(), "“Work” · 2 saved windows need a decision.");
    ASSERT_NE(section("Editor"), nullptr);
    ASSERT_NE(section(notesName), nullptr);
    EXPECT_EQ(section(notesName)->findChild<QLabel *>("form-section-detail")->text(),
              "3 possible windows");
    EXPECT_EQ(section("Editor")->findChild<QLabel *>("form-section-detail")->text(),
              "2 possible windows");
    // Numbered top to bottom; the application's name is a name, never a mnemonic or markup.
    QStringList texts;
    for (const QRadioButton *radio : radios(notesName)) {
        texts.append(radio->text());
    }
    EXPECT_EQ(texts,
              (QStringList{"1. Notes && <b>Co</b> — Display 1 · 320 × 240",
                           "2. Notes && <b>Co</b> — Display 1 · 300 × 200",
                           "3. Notes && <b>Co</b> — Display 1 · 300 × 200"}));
    EXPECT_EQ(section(notesName)->findChild<QWidget *>("resolution-picker")->accessibleName(),
              "Matching window for " + notesName);
    EXPECT_EQ(status(), "0 of 2 chosen");
    EXPECT_FALSE(apply()->isEnabled());

    radios(notesName)[1]->click();
    EXPECT_EQ(status(), "1 of 2 chosen");
    EXPECT_FALSE(apply()->isEnabled());

    radios("Editor")[0]->click();
    skip("Editor")->click();
    EXPECT_EQ(status(), "1 of 2 chosen · 1 skipped");
    EXPECT_EQ(note("Editor"), "Skipped for this restore.");
    EXPECT_EQ(note(notesName), "");
    EXPECT_FALSE(radios("Editor")[0]->isChecked());
    EXPECT_FALSE(radios("Editor")[0]->isEnabled());
    // Markers stay at hand for a skipped window.
    EXPECT_TRUE(showMarkers("Editor")->isEnabled());
    EXPECT_TRUE(apply()->isEnabled());

    // Taking the skip back leaves the window unanswered, with no candidate chosen.
    skip("Editor")->click();
    for (const QRadioButton *radio : radios("Editor")) {
        EXPECT_FALSE(radio->isChecked());
        EXPECT_TRUE(radio->isEnabled());
    }
    EXPECT_EQ(status(), "1 of 2 chosen");
    EXPECT_FALSE(apply()->isEnabled());

    radios("Editor")[1]->click();
    EXPECT_EQ(status(), "2 of 2 chosen");
    EXPECT_TRUE(apply()->isEnabled());

    // A new request starts from nothing.
    model->presentResolution();
    settle();
    EXPECT_EQ(status(), "0 of 2 chosen");
    EXPECT_TRUE(view()->choices().selections.isEmpty());
    for (const QRadioButton *radio : radios(notesName)) {
        EXPECT_FALSE(radio->isChecked());
    }
}

TEST_F(WindowResolutionViewTest, TheWindowIsAsTallAsItsChoicesWithinItsBound)
{
    presenter->setMainScreenHeight([] { return std::optional<double>(1000); });
    restoreUntilAsked();
    QWidget *window = view()->window();
    // Two saved windows with five candidates: far less than the bound of 875, and nothing to
    // scroll; the buttons right under the last choice.
    EXPECT_EQ(window->width(), 640);
    EXPECT_LT(window->height(), 875);
    EXPECT_GE(window->height(), WindowPresenter::minimumWindowHeight);
    EXPECT_EQ(window->size(), view()->size());
    const QScrollArea *area = view()->findChild<QScrollArea *>();
    ASSERT_NE(area, nullptr);
    const QWidget *content = area->widget();
    const int needed = content->hasHeightForWidth()
        ? content->heightForWidth(area->viewport()->width())
        : content->sizeHint().height();
    EXPECT_LE(std::abs(area->viewport()->height() - needed), 2);
}

TEST_F(WindowResolutionViewTest, TabFollowsTheReadingOrderWithNoInvisibleStops)
{
    restoreUntilAsked();
    ASSERT_NE(view(), nullptr);
    test::expectTabInReadingOrder(view()->window());
}

TEST_F(WindowResolutionViewTest, ARefusalOfTheModelIsShownUntilTheNextChange)
{
    restoreUntilAsked();
    radios(notesName)[2]->click();
    skip("Editor")->click();
    AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("com.example.mail")});
    apply()->click();
    const QWidget *error = find<QWidget>("resolution-error-message");
    ASSERT_NE(error, nullptr);
    QStringList texts;
    for (const QLabel *label : error->findChildren<QLabel *>()) {
        texts.append(label->text());
    }
    EXPECT_TRUE(texts.contains("Wait for the exclusion change before choosing windows."))
        << texts.join(" | ").toStdString();
    EXPECT_TRUE(isOpen(WindowID::resolution));
    EXPECT_EQ(status(), "1 of 2 chosen · 1 skipped");

    skip("Editor")->click();
    skip("Editor")->click();
    EXPECT_EQ(find<QWidget>("resolution-error-message"), nullptr);

    // While another operation runs the button waits; Return presses it only once it can.
    AppModelTestSeam(model).setPendingMutations({});
    AppModelTestSeam(model).setBusy(OperationKind::capturing);
    settle();
    EXPECT_FALSE(apply()->isEnabled());
    press(Qt::Key_Return);
    EXPECT_TRUE(model->restoreStatus().resolutionRequest.has_value());
    AppModelTestSeam(model).setBusy(std::nullopt);
    settle();
    const QUuid notesEntry = entry(notesName).entryID;
    const WindowReference chosen = entry(notesName).candidates[2];
    press(Qt::Key_Return);
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::resolution));
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    EXPECT_EQ(test::AppModelTestSeam(model).sessionResolutions().value(notesEntry).element,
              chosen.element);
}

TEST_F(WindowResolutionViewTest, EscapeCancelsAndWithoutARequestOnlyCloseIsLeft)
{
    restoreUntilAsked();
    AppModelTestSeam(model).setResolutionRequest(std::nullopt);
    settle();
    EXPECT_EQ(view()->findChild<RouteIntroduction *>()->detailLabel()->text(),
              "Restore needs a decision.");
    EXPECT_FALSE(apply()->isVisible());
    EXPECT_FALSE(find<QLabel>("resolution-status")->isVisible());
    EXPECT_TRUE(find<QPushButton>("resolution-close")->isVisible());
    EXPECT_TRUE(find<QPushButton>("resolution-empty-close")->isVisible());
    EXPECT_TRUE(view()->findChildren<FormSection *>("resolution-entry").isEmpty());
    find<QPushButton>("resolution-close")->click();
    EXPECT_FALSE(isOpen(WindowID::resolution));
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);

    model->presentResolution();
    ASSERT_TRUE(isOpen(WindowID::resolution));
    settle();
    radios("Editor")[0]->click();
    press(Qt::Key_Escape);
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
    EXPECT_FALSE(isOpen(WindowID::resolution));
    EXPECT_EQ(test::AppModelTestSeam(model).activeManualOperation(), std::nullopt);
}

TEST_F(WindowResolutionViewTest, ARequestWithNothingToDecideIsCompleteAndSendsAnEmptyAnswer)
{
    restoreUntilAsked();
    const QUuid firstPass = model->restoreStatus().lastResult->id;
    const QUuid nothingToDecide = QUuid::createUuid();
    AppModelTestSeam(model).setResolutionRequest(
        ResolutionRequest{nothingToDecide, work.id, "Work", {}, model->currentDisplays()});
    settle();
    EXPECT_TRUE(view()->findChildren<FormSection *>("resolution-entry").isEmpty());
    ASSERT_TRUE(apply()->isVisible());
    EXPECT_TRUE(apply()->isEnabled());
    // The model accepts the empty answer: the request ends and the second pass runs. That pass
    // finds the same windows undecided again and asks anew.
    apply()->click();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    EXPECT_NE(model->restoreStatus().lastResult->id, firstPass);
    ASSERT_TRUE(model->restoreStatus().resolutionRequest.has_value());
    EXPECT_NE(model->restoreStatus().resolutionRequest->id, nothingToDecide);
    EXPECT_TRUE(test::AppModelTestSeam(model).sessionResolutions().isEmpty());
}

TEST_F(WindowResolutionViewTest, OnlyTheLatestPressShowsMarkers)
{
    restoreUntilAsked();
    HeldService held = holdWindowService(entry(notesName).candidates);
    showMarkers(notesName)->click();
    held.reached();
    // The second press asks about fewer windows, so its answer comes before the first one's.
    showMarkers("Editor")->click();
    held.release();
    ASSERT_TRUE(waitUntil([&] { return !markers->panels().isEmpty(); }));
    settle();
    advance(0.1);
    EXPECT_EQ(markerNumbers(), (QList<int>{1, 2}));
    const QList<WindowReference> editors = entry("Editor").candidates;
    EXPECT_EQ(markers->panels()[0]->frame().x, editors[0].frame.x + 2);
    EXPECT_EQ(markers->panels()[1]->frame().x, editors[1].frame.x + 2);
}

TEST_F(WindowResolutionViewTest, ClosingTheWindowWhileTheModelLooksShowsNothing)
{
    restoreUntilAsked();
    HeldService held = holdWindowService(entry(notesName).candidates);
    showMarkers(notesName)->click();
    held.reached();
    presenter->window(QString(WindowID::resolution))->close();
    // The view is gone for good before the model answers.
    settle();
    EXPECT_EQ(presenter->window(QString(WindowID::resolution)), nullptr);
    held.release();
    for (int i = 0; i < 20; ++i) {
        settle();
    }
    EXPECT_TRUE(markers->panels().isEmpty());
    EXPECT_EQ(model->restoreStatus().resolutionRequest, std::nullopt);
}

TEST_F(WindowResolutionViewTest, AClosedCandidateDropsAndTheOthersKeepTheirNumbers)
{
    restoreUntilAsked();
    const QList<WindowReference> candidates = entry(notesName).candidates;
    desktop.removeElement(candidates[1].element);
    showMarkers(notesName)->click();
    ASSERT_TRUE(waitUntil([&] { return !markers->panels().isEmpty(); }));
    EXPECT_EQ(markerNumbers(), (QList<int>{1, 3}));
    // They go by themselves after four seconds.
    advance(4.1);
    EXPECT_TRUE(markers->panels().isEmpty());
}

TEST_F(WindowResolutionViewTest, Screenshots)
{
    restoreUntilAsked();
    radios(notesName)[1]->click();
    renderToPng(view(), "window-choice");

    skip("Editor")->click();
    AppModelTestSeam(model).setPendingMutations({MutationScope::exclusion("com.example.mail")});
    apply()->click();
    AppModelTestSeam(model).setPendingMutations({});
    view()->findChild<QScrollArea *>("form-scroll")->verticalScrollBar()->setValue(10000);
    renderToPng(view(), "window-choice-refused");

    AppModelTestSeam(model).setResolutionRequest(std::nullopt);
    settle();
    renderToPng(view(), "window-choice-empty");
}

} // namespace
