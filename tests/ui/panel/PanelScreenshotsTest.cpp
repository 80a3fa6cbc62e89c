// Pictures of the panel in each of its states, light and dark, under <build>/screenshots, to be
// looked at. They check only that each state draws at the panel's width.

#include "PanelFixture.h"
#include "AppModelTestSeam.h"
#include "Child.h"

#include "Await.h"
#include "Screenshots.h"

#include "model/StorageError.h"
#include "ui/panel/LayoutsListSection.h"
#include "ui/panel/ResultSection.h"
#include "ui/panel/DetailsDisclosure.h"
#include "ui/panel/StorageProblemSection.h"

using namespace ostrel;
using namespace ostrel::test;

class PanelScreenshots : public PanelTest {
protected:
    void picture(const QString &name)
    {
        refresh();
        const Screenshots shots = renderToPng(panel.get(), QStringLiteral("panel-") + name);
        EXPECT_EQ(shots.light.width(), PanelView::width * 2) << name.toStdString();
        EXPECT_GT(shots.light.height(), 0);
    }
};

TEST_F(PanelScreenshots, StartingAndStorageProblems)
{
    auto opening = std::make_shared<QSemaphore>(0);
    openFailure = [opening] {
        opening->acquire();
        throw StorageError::openFailed("The disk refused: permission denied.");
    };
    openPanel(false);
    picture("loading");
    opening->release();
    ASSERT_TRUE(waitUntil([&] { return !model->storageStatus().isBootstrapping; }));
    refresh();
    // Open, as a user reading the path would have it.
    child<DetailsDisclosure>(panel.get(), "storage-problem-details")->setExpanded(true);
    picture("storage-problem");
}

TEST_F(PanelScreenshots, PermissionFirstRunAndNotices)
{
    openPanel();
    picture("first-run");
    // The panel checks the trust again each time it opens, so the desktop withholds it.
    setTrust(false);
    AppModelTestSeam(model).setStorageNotice(
        StorageNotice{"Layouts Recovered",
                      "The database was damaged. Ostrel restored your layouts from the backup.",
                      QStringLiteral("SQLite reported: database disk image is malformed (11).")});
    picture("permission-banner-and-storage-notice");
}

TEST_F(PanelScreenshots, LayoutsResultAndProgress)
{
    openPanel();
    const Layout work = saveLayout("Work");
    picture("one-layout");
    ASSERT_EQ(
        await(model->setLayoutShortcut(Shortcut{0, Shortcut::control | Shortcut::option}, work.id)),
        std::nullopt);
    (void)model->setGlobalShortcut(Shortcut{12, Shortcut::command | Shortcut::option});
    for (const char *name :
         {"Writing", "Review <b>R&D</b>", "Evening", "Presentation on the big screen with notes",
          "Mail", "Calls", "Spare"}) {
        saveLayout(QString::fromUtf8(name));
    }
    model->selectLayout(work.id);
    picture("eight-layouts-selected-with-shortcut");

    desktop.setFrame(editor[0], {300, 300, 400, 300});
    Held write = holdNext(FakeCall::Kind::write);
    model->restoreSelectedLayout();
    write.reached();
    picture("restore-running");
    write.release();
    ASSERT_TRUE(waitUntil([&] { return !model->restoreStatus().busy; }));
    AppModelTestSeam(model).setAutomationNotice(
        QStringLiteral("The displays changed, but no layout is linked to this setup."));
    refresh();
    child<ResultSection>(panel.get(), "result-section")->setExpanded(true);
    picture("result-details-and-automation-notice");
}

TEST_F(PanelScreenshots, AResultThatNeedsAttention)
{
    reduceMotion.set(true);
    openPanel();
    saveLayout("Work");
    RestoreResult result;
    result.id = QUuid::createUuid();
    result.layoutName = QStringLiteral("Work");
    result.summary = QStringLiteral("Restored 3 of 6 windows. 1 needs a choice, 1 failed.");
    result.exactCount = 3;
    result.needsSelectionCount = 1;
    result.failedCount = 1;
    auto add = [&](const char *label, const char *bundle, EntryOutcome outcome,
                   const char *detail) {
        result.entries.append(
            EntryResult{QUuid::createUuid(),
                        QString::fromUtf8(label),
                        {},
                        QString::fromUtf8(bundle),
                        outcome,
                        detail ? std::optional<QString>(QString::fromUtf8(detail)) : std::nullopt,
                        std::nullopt,
                        std::nullopt});
    };
    add("Editor", "com.example.editor", EntryOutcome::restored, nullptr);
    add("Mail", "com.example.mail", EntryOutcome::restored, nullptr);
    add("Browser — example.com", "org.example.browser", EntryOutcome::needsSelection,
        "2 open windows match this entry.");
    add("Terminal", "org.example.terminal", EntryOutcome::failed,
        "The window refused the new size. It may be sized by its application.");
    add("Notes", "org.example.notes", EntryOutcome::notOpen, nullptr);
    add("Music", "org.example.music", EntryOutcome::restored, nullptr);
    AppModelTestSeam(model).setLastResult(result);
    // Shown first: opening the panel reads the undo information again, and there is none.
    showPanel();
    AppModelTestSeam(model).setUndoInfo(UndoInfo{"Work", 3, {}, true});
    refresh();
    child<ResultSection>(panel.get(), "result-section")->setExpanded(true);
    panel->adjustSize();
    picture("result-attention");
}
