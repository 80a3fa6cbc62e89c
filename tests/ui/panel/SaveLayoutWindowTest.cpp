#include "UiTest.h"
#include "Child.h"
#include "AppModelTestSeam.h"

#include "Await.h"
#include "KeyboardWalk.h"
#include "Screenshots.h"

#include "platform/AppIconProvider.h"
#include "storage/SQLiteDatabase.h"
#include "storage/SQLiteStatement.h"
#include "system/fake/FakeApplicationIcons.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/CapturedWindowRow.h"
#include "ui/panel/CompactMessage.h"
#include "ui/panel/FormSectionHeader.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/SymbolButton.h"
#include "ui/panel/SaveLayoutEditor.h"
#include "ui/panel/SaveLayoutView.h"

#include <QApplication>
#include <QCheckBox>
#include <QScrollArea>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::AppModelTestSeam;
using test::await;
using test::waitUntil;

class SaveLayoutWindowTest : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        addApplication("org.example.editor", "Editor",
                       {{100, 100, 600, 400}, {200, 150, 500, 300}});
        addApplication("org.example.mail", "Mail", {{720, 25, 720, 875}});
        addApplication("org.example.terminal", "Terminal", {{0, 475, 1440, 450}});
    }

    void TearDown() override
    {
        // The icons a test installed are gone by now; windows still open must not ask them.
        appIcons = AppIconProvider();
        UiTest::TearDown();
    }

    // Captures the desktop and opens the save window the way the panel does.
    void open()
    {
        if (!model) {
            start();
        }
        SaveLayoutView::registerWindow(viewEnvironment());
        ASSERT_TRUE(await(model->beginSave()));
        presenter->showSaveLayout();
        settle();
        ASSERT_NE(window(), nullptr);
    }

    QWidget *window() const { return presenter->window(QStringLiteral("save-layout")); }
    SaveLayoutView *view() const { return window()->findChild<SaveLayoutView *>(); }
    SaveLayoutEditor *editor() const { return view()->editor(); }
    template <class T>
    T *find(const char *name) const
    {
        return editor()->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *nameField() const { return find<QLineEdit>("layout-name-field"); }
    PanelButton *saveButton() const { return find<PanelButton>("save-layout-confirm"); }
    PanelButton *cancelButton() const { return find<PanelButton>("save-layout-cancel"); }
    QCheckBox *replaceBox() const { return find<QCheckBox>("replace-existing-checkbox"); }
    QWidget *warning() const { return find<QWidget>("duplicate-name-warning"); }
    QLabel *label(const char *name) const { return find<QLabel>(name); }
    QString windowSummaryText() const
    {
        return find<FormSectionHeader>("included-windows-header")->detailLabel()->text();
    }
    QList<CapturedWindowRow *> rows() const
    {
        return editor()->findChildren<CapturedWindowRow *>();
    }

    void typeName(const QString &name)
    {
        nameField()->selectAll();
        nameField()->insert(name);
        settle();
    }

    // A layout stored directly (not through the window), so that names can be taken.
    void storeLayout(const QString &name)
    {
        ASSERT_TRUE(await(model->beginSave()));
        ASSERT_EQ(await(model->savePendingLayout(name, false)), std::nullopt);
    }

    QStringList storedNames()
    {
        return rows(QStringLiteral("SELECT name FROM layouts ORDER BY name"));
    }

    // Windows a capture leaves out: those of an excluded application, and two dialogs.
    void leaveOutWindows()
    {
        addApplication("org.example.chat", "Chat", {{300, 300, 500, 400}});
        ASSERT_EQ(await(model->excludeApp("org.example.chat", "Chat")), std::nullopt);
        const qint32 pid = desktop.addApplication("org.example.viewer", "Viewer");
        desktop.addWindow(pid, {400, 200, 420, 300}, "AXDialog");
        desktop.addWindow(pid, {500, 260, 420, 300}, "AXDialog");
    }
    using AppModelTest::rows;

    bool windowClosed() const
    {
        QWidget *open = window();
        return !open || !open->isVisible();
    }
};

// How far the form's content falls short of its scroll area (an empty band below the last
// section) and how far it runs past it (what must be scrolled to).
std::pair<int, int> bandAndOverflow(const QScrollArea *area)
{
    const QWidget *content = area->widget();
    const int width = area->viewport()->width();
    const int needed = content->hasHeightForWidth() ? content->heightForWidth(width)
                                                    : content->sizeHint().height();
    const int shown = area->viewport()->height();
    return {std::max(0, shown - needed), std::max(0, needed - shown)};
}

TEST_F(SaveLayoutWindowTest, IsAsTallAsItsContentWithinTheScreensBound)
{
    // Four windows: the window ends where its form ends, well inside the bound of 813.
    presenter->setMainScreenHeight([] { return std::optional<double>(1000); });
    open();
    EXPECT_EQ(window()->windowTitle(), "Save Layout");
    EXPECT_EQ(window()->width(), 640);
    EXPECT_LT(window()->height(), 813);
    EXPECT_EQ(window()->size(), editor()->size());
    EXPECT_EQ(window()->minimumSize(), window()->maximumSize());
    const auto *form = find<QScrollArea>("save-layout-form");
    EXPECT_LE(bandAndOverflow(form).first, 2) << "no empty band above the buttons";
    EXPECT_EQ(bandAndOverflow(form).second, 0);
    EXPECT_NE(AppAppearance::of(window()), nullptr);
    presenter->close(QStringLiteral("save-layout"));
    settle();

    // Many windows: as tall as the screen allows, and the form scrolls.
    for (int i = 0; i < 30; ++i) {
        addApplication(QStringLiteral("org.example.app%1").arg(i), QStringLiteral("App %1").arg(i),
                       {{10.0 * i, 10.0 * i, 400, 300}});
    }
    struct Case {
        std::optional<double> visibleHeight;
        int height;
    };
    for (const Case c : {Case{700.0, 600}, Case{1000.0, 813}, Case{std::nullopt, 813}}) {
        SCOPED_TRACE(c.height);
        presenter->setMainScreenHeight([c] { return c.visibleHeight; });
        open();
        EXPECT_EQ(window()->size(), QSize(640, c.height));
        EXPECT_EQ(editor()->size(), QSize(640, c.height));
        EXPECT_GT(bandAndOverflow(find<QScrollArea>("save-layout-form")).second, 0);
        presenter->close(QStringLiteral("save-layout"));
        settle();
    }
}

TEST_F(SaveLayoutWindowTest, ShowsTheCapturedWindowsAndTakesThemOutOneByOne)
{
    open();
    ASSERT_EQ(rows().size(), 4);
    EXPECT_EQ(windowSummaryText(), "4 windows · 1 display. Remove any you don’t need.");
    EXPECT_FALSE(label("exclusion-summary")->isVisible());

    const CapturedWindowRow *mail = rows()[2];
    EXPECT_EQ(mail->findChild<QLabel *>("captured-window-label")->text(), "Mail");
    EXPECT_EQ(mail->findChild<QLabel *>("captured-window-placement")->text(),
              "Display 1 · 50% × 100%");
    EXPECT_EQ(test::child<SymbolButton>(mail, "remove-captured-window")->accessibleName(),
              "Remove Mail");
    EXPECT_EQ(test::child<SymbolButton>(mail, "remove-captured-window")->toolTip(),
              "Remove this window from the capture");

    typeName("Focus");
    const QUuid captureID = model->windowRequests().pendingCapture->id;
    for (int left = 3; left >= 0; --left) {
        test::child<SymbolButton>(rows().first(), "remove-captured-window")->click();
        settle();
        EXPECT_EQ(model->windowRequests().pendingCapture->entries.size(), left);
        EXPECT_EQ(rows().size(), left);
    }
    // The same capture, so the same editor with what was typed.
    EXPECT_EQ(model->windowRequests().pendingCapture->id, captureID);
    EXPECT_EQ(nameField()->text(), "Focus");
    EXPECT_EQ(windowSummaryText(), "0 windows · 1 display. Remove any you don’t need.");
    EXPECT_TRUE(label("no-windows-left")->isVisible());
    EXPECT_EQ(label("no-windows-left")->text(),
              "No windows left. Close this editor and capture again.");
    EXPECT_FALSE(saveButton()->isEnabled());
}

TEST(SaveLayoutSummaries, CountWindowsDisplaysAndWhatWasLeftOut)
{
    struct Case {
        int windows;
        int displays;
        qint64 excluded;
        qint64 skipped;
        const char *summary;
        const char *exclusions;
    };
    const Case cases[] = {
        {1, 1, 0, 0, "1 window · 1 display. Remove any you don’t need.", ""},
        {3, 2, 2, 3, "3 windows · 2 displays. Remove any you don’t need.",
         "2 excluded · 3 skipped"},
        {0, 1, 1, 0, "0 windows · 1 display. Remove any you don’t need.", "1 excluded"},
        {2, 3, 0, 3, "2 windows · 3 displays. Remove any you don’t need.", "3 skipped"},
    };
    for (const Case &c : cases) {
        CapturePreview preview;
        preview.entries.resize(c.windows);
        preview.displays.resize(c.displays);
        preview.excludedWindowCount = c.excluded;
        preview.unsupportedWindowCount = c.skipped;
        EXPECT_EQ(SaveLayoutEditor::windowSummary(preview), c.summary);
        EXPECT_EQ(SaveLayoutEditor::exclusionSummary(preview), c.exclusions);
    }
}

TEST_F(SaveLayoutWindowTest, TabFollowsTheReadingOrderWithNoInvisibleStops)
{
    start();
    storeLayout("Focus");
    open();
    for (const bool duplicate : {false, true}) {
        SCOPED_TRACE(duplicate ? "with the replace choice" : "a fresh name");
        nameField()->setFocus();
        typeName(duplicate ? "focus" : "Morning");
        const QList<QWidget *> stops = test::tabWalk(window());
        for (QWidget *stop : stops) {
            EXPECT_TRUE(test::showsFocus(stop)) << test::stopName(stop).toStdString();
        }
        // From the name field on, top to bottom, and round to the name field again.
        QList<QString> expected;
        if (duplicate) {
            expected.append("replace-existing-checkbox");
        }
        for (int i = 0; i < rows().size(); ++i) {
            expected.append("remove-captured-window");
        }
        // Save is disabled (no stop) until replacing the same-named layout is chosen.
        expected.append("save-layout-cancel");
        if (!duplicate) {
            expected.append("save-layout-confirm");
        }
        expected.append("layout-name-field");
        QList<QString> names = test::stopNames(stops);
        EXPECT_EQ(names, expected);
        // Each row's remove button in the order the rows are shown.
        QList<QWidget *> removes;
        for (QWidget *stop : stops) {
            if (stop->objectName() == "remove-captured-window") {
                removes.append(stop);
            }
        }
        for (int i = 0; i < removes.size() && i < rows().size(); ++i) {
            EXPECT_EQ(removes[i], test::child<SymbolButton>(rows()[i], "remove-captured-window"))
                << i;
        }
    }
}

TEST_F(SaveLayoutWindowTest, WhatTheCaptureLeftOutIsTheWindowSectionsFooter)
{
    start();
    leaveOutWindows();
    open();
    EXPECT_EQ(rows().size(), 4);
    EXPECT_TRUE(label("exclusion-summary")->isVisible());
    EXPECT_EQ(label("exclusion-summary")->text(), "1 excluded · 2 skipped");
}

TEST_F(SaveLayoutWindowTest, TheNameKeepsEightyCharactersAsTheUserSeesThem)
{
    open();
    const QString family = QStringLiteral("👨‍👩‍👧‍👦");
    const QString accented = QStringLiteral("e\u0301");
    struct Case {
        const char *what;
        QString pasted;
        QString kept;
    };
    const Case cases[] = {
        {"100 letters", QString(100, 'a'), QString(80, 'a')},
        {"exactly 80", QString(80, 'b'), QString(80, 'b')},
        {"81 families", family.repeated(81), family.repeated(80)},
        {"80 families", family.repeated(80), family.repeated(80)},
        {"accents", accented.repeated(90), accented.repeated(80)},
        // A pair of surrogates straddles the cut in UTF-16 units: kept whole or not at all.
        {"emoji at the cut", QString(79, 'c') + QStringLiteral("😀😀"),
         QString(79, 'c') + QStringLiteral("😀")},
        {"spaces stay", QStringLiteral("  Focus  "), QStringLiteral("  Focus  ")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        typeName(c.pasted);
        EXPECT_EQ(nameField()->text(), c.kept);
        EXPECT_EQ(editor()->name(), c.kept);
    }
}

TEST_F(SaveLayoutWindowTest, TheSaveButtonFollowsTheNameAndTheReplaceChoice)
{
    start();
    storeLayout("Work");
    storeLayout("<b>R&D</b>");
    open();

    struct Case {
        const char *name;
        bool tick;
        bool enabled;
        const char *title;
        const char *warning;  // empty: no warning
        const char *replaces; // empty: not shown
    };
    const Case cases[] = {
        {"", false, false, "Save Layout", "", ""},
        {"   ", false, false, "Save Layout", "", ""},
        {"Focus", false, true, "Save Layout", "", ""},
        {"  wORK ", false, false, "Save Layout", "A layout named “Work” already exists.", ""},
        {"  wORK ", true, true, "Replace Layout", "A layout named “Work” already exists.",
         "Replaces “Work”"},
        // Stored names are shown as they are, never as markup or with a mnemonic.
        {"<b>r&d</b>", true, true, "Replace Layout", "A layout named “<b>R&D</b>” already exists.",
         "Replaces “<b>R&D</b>”"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        typeName(QString::fromUtf8(c.name));
        if (c.tick) {
            replaceBox()->click();
            settle();
        }
        EXPECT_EQ(saveButton()->isEnabled(), c.enabled);
        EXPECT_EQ(saveButton()->title(), c.title);
        EXPECT_EQ(editor()->canSave(), c.enabled);
        const QString expectedWarning = QString::fromUtf8(c.warning);
        EXPECT_EQ(warning()->isVisible(), !expectedWarning.isEmpty());
        if (!expectedWarning.isEmpty()) {
            EXPECT_EQ(label("duplicate-name-text")->text(), expectedWarning);
            EXPECT_EQ(label("duplicate-name-text")->textFormat(), Qt::PlainText);
        }
        const QString expectedReplaces = QString::fromUtf8(c.replaces);
        EXPECT_EQ(label("replaces-text")->isVisible(), !expectedReplaces.isEmpty());
        if (!expectedReplaces.isEmpty()) {
            EXPECT_EQ(label("replaces-text")->text(), expectedReplaces);
            EXPECT_EQ(label("replaces-text")->textFormat(), Qt::PlainText);
        }
        if (c.tick) {
            replaceBox()->click();
            settle();
        }
    }

    // Without windows or without a capture nothing can be saved, whatever the name.
    typeName("Focus");
    const QUuid id = model->windowRequests().pendingCapture->id;
    model->discardPendingCapture(id);
    settle();
    EXPECT_FALSE(saveButton()->isEnabled());
    EXPECT_TRUE(find<QWidget>("save-layout-waiting")->isVisible());
}

TEST_F(SaveLayoutWindowTest, ReplacingIsUntickedOnlyWhenTheNameMatchesNoLayout)
{
    start();
    storeLayout("Work");
    storeLayout("Home");
    open();
    typeName("work");
    replaceBox()->click();
    settle();
    ASSERT_TRUE(editor()->replaceExisting());

    typeName("Home");
    EXPECT_TRUE(editor()->replaceExisting());
    EXPECT_TRUE(replaceBox()->isChecked());
    EXPECT_EQ(saveButton()->title(), "Replace Layout");

    typeName("Homeward");
    EXPECT_FALSE(editor()->replaceExisting());
    typeName("Home");
    EXPECT_FALSE(replaceBox()->isChecked());
    EXPECT_FALSE(saveButton()->isEnabled());
}

TEST_F(SaveLayoutWindowTest, ReturnSavesOnceAndClosesTheWindow)
{
    open();
    window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    EXPECT_EQ(QApplication::focusWidget(), nameField());

    // Blank: Return does nothing.
    QTest::keyClicks(nameField(), "  ");
    QTest::keyClick(nameField(), Qt::Key_Return);
    settle();
    EXPECT_FALSE(editor()->isSaving());
    EXPECT_EQ(editor()->errorMessage(), std::nullopt);

    nameField()->clear();
    QTest::keyClicks(nameField(), "Focus");
    const auto release = holdStore();
    QTest::keyClick(nameField(), Qt::Key_Return);
    QTest::keyClick(nameField(), Qt::Key_Enter);
    settle();
    EXPECT_TRUE(editor()->isSaving());
    EXPECT_TRUE(find<QWidget>("save-layout-saving")->isVisible());
    EXPECT_FALSE(saveButton()->isEnabled());
    release();
    ASSERT_TRUE(waitUntil([&] { return windowClosed(); }));
    settle();
    EXPECT_EQ(busyHistory.count(OperationKind::saving), 1);
    EXPECT_EQ(storedNames(), QStringList{"Focus"});
    EXPECT_EQ(model->windowRequests().pendingCapture, std::nullopt);
    EXPECT_EQ(presenter->window(QStringLiteral("save-layout")), nullptr);
}

TEST_F(SaveLayoutWindowTest, AnErrorStaysUntilTheNextAttemptAndCancelStaysAvailable)
{
    open();
    typeName("Focus");
    AppModelTestSeam(model).setBusy(OperationKind::restoring);
    saveButton()->click();
    settle();
    ASSERT_EQ(editor()->errorMessage(), "Wait for the current operation to finish.");
    auto *message = find<CompactMessage>("save-layout-error-message");
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
    EXPECT_FALSE(message->isFolded());
    EXPECT_EQ(test::child<QLabel>(message, "compact-message-text")->text(),
              "Wait for the current operation to finish.");
    EXPECT_FALSE(editor()->isSaving());
    EXPECT_TRUE(saveButton()->isEnabled());

    // Editing the name or the windows keeps it.
    typeName("Focus Two");
    test::child<SymbolButton>(rows().first(), "remove-captured-window")->click();
    settle();
    EXPECT_TRUE(find<QWidget>("save-layout-error")->isVisible());

    // A long failure folds under the fixed summary.
    AppModelTestSeam(model).setBusy(std::nullopt);
    editor()->saveFailed(QString(130, 'x'));
    message = find<CompactMessage>("save-layout-error-message");
    EXPECT_TRUE(message->isFolded());
    EXPECT_EQ(test::child<QLabel>(message, "compact-message-text")->text(),
              "Couldn’t save the layout.");

    // The next attempt takes it away at once; Cancel stays enabled while the store writes.
    const auto release = holdStore();
    saveButton()->click();
    settle();
    EXPECT_EQ(editor()->errorMessage(), std::nullopt);
    EXPECT_FALSE(find<QWidget>("save-layout-error")->isVisible());
    EXPECT_TRUE(cancelButton()->isEnabled());
    release();
    ASSERT_TRUE(waitUntil([&] { return windowClosed(); }));
    EXPECT_EQ(storedNames(), QStringList{"Focus Two"});
}

// With many captured windows the error used to sit below the list, inside the scrolling form,
// and a save that failed on a full disk seemed to do nothing; its text was SQLite's bare "database
// or disk is full". It stands next to the buttons now, in view, and names the cause.
TEST_F(SaveLayoutWindowTest, AFailedSaveIsInViewNextToItsButtonWhateverTheListHolds)
{
    QList<RectD> frames;
    for (int i = 0; i < 146; ++i) {
        frames.append(RectD{double(10 + i), double(40 + i), 400, 300});
    }
    addApplication("org.example.notes", "Notes", frames);
    open();
    ASSERT_EQ(rows().size(), 150);
    typeName("Everything");
    // The disk fills up: the store may not grow by a single page any more.
    openedStore->executor().runBlocking([&] {
        SQLiteStatement count(openedStore->database(), "PRAGMA page_count;");
        ASSERT_TRUE(count.step());
        openedStore->database().execute(
            QStringLiteral("PRAGMA max_page_count = %1;").arg(count.int64(0)));
    });

    saveButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !editor()->isSaving(); }));
    settle();
    ASSERT_EQ(editor()->errorMessage(),
              "Couldn’t save changes. The disk is full (database or disk is full).");
    auto *error = find<QWidget>("save-layout-error");
    ASSERT_TRUE(error->isVisible());
    // Wholly in view, between the list and the buttons, without scrolling.
    EXPECT_EQ(error->visibleRegion().boundingRect(), error->rect());
    const QRect errorInWindow(error->mapTo(window(), QPoint(0, 0)), error->size());
    const QRect buttonInWindow(saveButton()->mapTo(window(), QPoint(0, 0)), saveButton()->size());
    EXPECT_TRUE(window()->rect().contains(errorInWindow));
    EXPECT_LT(errorInWindow.bottom(), buttonInWindow.top());
    EXPECT_LT(buttonInWindow.top() - errorInWindow.bottom(), 60);
    EXPECT_EQ(storedNames(), QStringList{});
    EXPECT_TRUE(model->windowRequests().pendingCapture.has_value());
    test::renderToPng(window(), "save-layout-error-many-windows");
}

TEST_F(SaveLayoutWindowTest, LeavingWithoutSavingDiscardsTheCapture)
{
    start();
    enum class Leave { cancel, escape, closeButton };
    for (const Leave leave : {Leave::cancel, Leave::escape, Leave::closeButton}) {
        SCOPED_TRACE(int(leave));
        open();
        typeName("Focus");
        switch (leave) {
        case Leave::cancel:
            cancelButton()->click();
            break;
        case Leave::escape:
            window()->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
            QTest::keyClick(nameField(), Qt::Key_Escape);
            break;
        case Leave::closeButton:
            window()->close();
            break;
        }
        settle();
        EXPECT_TRUE(windowClosed());
        EXPECT_EQ(model->windowRequests().pendingCapture, std::nullopt);
        EXPECT_TRUE(storedNames().isEmpty());
    }
}

TEST_F(SaveLayoutWindowTest, HidingOrMinimizingKeepsTheCapture)
{
    open();
    typeName("Focus");
    const QUuid id = model->windowRequests().pendingCapture->id;
    window()->showMinimized();
    settle();
    window()->hide();
    settle();
    ASSERT_TRUE(model->windowRequests().pendingCapture.has_value());
    EXPECT_EQ(model->windowRequests().pendingCapture->id, id);

    presenter->showSaveLayout();
    settle();
    EXPECT_EQ(nameField()->text(), "Focus");
    EXPECT_TRUE(saveButton()->isEnabled());
}

TEST_F(SaveLayoutWindowTest, ClosingDuringASaveDropsItsOutcomeButTheLayoutIsStored)
{
    start();
    for (const bool byCancel : {true, false}) {
        SCOPED_TRACE(byCancel ? "Cancel" : "close button");
        open();
        const QString name = byCancel ? QStringLiteral("Cancelled") : QStringLiteral("Closed");
        typeName(name);
        const auto release = holdStore();
        saveButton()->click();
        settle();
        ASSERT_TRUE(editor()->isSaving());
        EXPECT_TRUE(cancelButton()->isEnabled());
        if (byCancel) {
            cancelButton()->click();
        } else {
            window()->close();
        }
        settle();
        EXPECT_EQ(presenter->window(QStringLiteral("save-layout")), nullptr);
        release();
        ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
        settle();
        EXPECT_TRUE(storedNames().contains(name));
        EXPECT_EQ(model->windowRequests().pendingCapture, std::nullopt);
    }
}

TEST_F(SaveLayoutWindowTest, AnEditorReplacedMidSaveIsLeftAloneAndTheSaveStillCloses)
{
    open();
    typeName("Focus");
    const auto release = holdStore();
    saveButton()->click();
    settle();
    QPointer<SaveLayoutEditor> saving = editor();

    // The capture goes away while the store writes (as a reset or another window would make it
    // go): the editor that asked for the save is replaced by the waiting one.
    model->discardPendingCapture(model->windowRequests().pendingCapture->id);
    settle();
    ASSERT_NE(editor(), saving.data());
    EXPECT_EQ(editor()->captureID(), std::nullopt);
    EXPECT_FALSE(editor()->isSaving());
    EXPECT_TRUE(find<QWidget>("save-layout-waiting")->isVisible());

    release();
    ASSERT_TRUE(waitUntil([&] { return windowClosed(); }));
    settle();
    EXPECT_EQ(storedNames(), QStringList{"Focus"});
    EXPECT_EQ(saving, nullptr);
}

TEST_F(SaveLayoutWindowTest, TheCaptureGoingAwayShowsTheWaitingStateUntilANewOneArrives)
{
    open();
    typeName("Focus");
    const CapturePreview first = *model->windowRequests().pendingCapture;
    model->discardPendingCapture(first.id);
    settle();
    EXPECT_EQ(editor()->captureID(), std::nullopt);
    EXPECT_TRUE(find<QWidget>("save-layout-waiting")->isVisible());
    EXPECT_FALSE(saveButton()->isEnabled());
    EXPECT_TRUE(cancelButton()->isEnabled());

    ASSERT_TRUE(await(model->beginSave()));
    settle();
    EXPECT_EQ(editor()->captureID(), model->windowRequests().pendingCapture->id);
    EXPECT_TRUE(find<QWidget>("save-layout-form")->isVisible());
    EXPECT_EQ(nameField()->text(), "");
}

// An application icon for the pictures: a rounded square in the application's colour with its
// initial, so that the rows of different applications can be told apart.
QString drawIcon(const QString &folder, const QString &initial, const QColor &colour)
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(4, 4, 56, 56), 13, 13);
    QFont font = painter.font();
    font.setPixelSize(34);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(image.rect(), Qt::AlignCenter, initial);
    painter.end();
    const QString path = folder + QLatin1Char('/') + initial + QStringLiteral(".png");
    image.save(path);
    return path;
}

TEST_F(SaveLayoutWindowTest, Screenshots)
{
    FakeApplicationIcons icons;
    icons.install("org.example.editor", drawIcon(dir.path(), "E", QColor(0x2f, 0x7d, 0xf6)));
    icons.install("org.example.mail", drawIcon(dir.path(), "M", QColor(0xe8, 0x5d, 0x3f)));
    icons.install("org.example.terminal", drawIcon(dir.path(), "T", QColor(0x3a, 0x3a, 0x3c)));
    icons.install("org.example.calendar", drawIcon(dir.path(), "C", QColor(0x34, 0xa8, 0x53)));
    appIcons = AppIconProvider(&icons);
    addApplication("org.example.calendar", "Calendar", {{1440 - 480, 25, 480, 500}});
    start();
    storeLayout("Deep Work");
    leaveOutWindows();

    open();
    test::renderToPng(window(), "save-layout-fresh");

    typeName("deep work");
    replaceBox()->click();
    settle();
    test::renderToPng(window(), "save-layout-duplicate");

    // On a short screen the form scrolls under the introduction.
    presenter->close(QStringLiteral("save-layout"));
    settle();
    ASSERT_TRUE(await(model->beginSave()));
    presenter->setMainScreenHeight([] { return std::optional<double>(700); });
    presenter->showSaveLayout();
    settle();
    typeName("deep work");
    test::renderToPng(window(), "save-layout-short-screen");
    presenter->setMainScreenHeight([] { return std::optional<double>(875); });
    presenter->close(QStringLiteral("save-layout"));
    settle();
    open();
    typeName("Morning");
    editor()->saveFailed(QStringLiteral("The layout could not be saved. (disk I/O error: the "
                                        "database file could not be written)\nTry again after "
                                        "freeing some space."));
    settle();
    test::renderToPng(window(), "save-layout-error");
    find<CompactMessage>("save-layout-error-message")->setExpanded(true);
    settle();
    test::renderToPng(window(), "save-layout-error-details");
    editor()->saveFailed(QStringLiteral("Wait for the current operation to finish."));
    settle();
    test::renderToPng(window(), "save-layout-error-short");

    {
        const auto release = holdStore();
        saveButton()->click();
        settle();
        test::renderToPng(window(), "save-layout-saving");
        release();
        ASSERT_TRUE(waitUntil([&] { return windowClosed(); }));
    }
    open();
    while (!rows().isEmpty()) {
        test::child<SymbolButton>(rows().first(), "remove-captured-window")->click();
        settle();
    }
    test::renderToPng(window(), "save-layout-no-windows");

    model->discardPendingCapture(model->windowRequests().pendingCapture->id);
    settle();
    test::renderToPng(window(), "save-layout-waiting");
}

} // namespace
} // namespace ostrel
