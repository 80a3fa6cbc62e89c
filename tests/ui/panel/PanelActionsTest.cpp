// The panel's work that outlives the panel: capture into the save window, deletion behind its
// confirmation, and the alert bound to the model's error.

#include "AppModelFixture.h"
#include "AppModelTestSeam.h"

#include "Await.h"

#include "ui/panel/PanelActions.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSemaphore>

#include <atomic>

using namespace ostrel;
using namespace ostrel::test;

class PanelActionsTest : public AppModelTest {
protected:
    std::unique_ptr<PanelActions> actions;
    QList<AXElement> editor;

    void SetUp() override
    {
        AppModelTest::SetUp();
        presenter->setContentFactory(QString(WindowID::saveLayout),
                                     [] { return new QLabel(QStringLiteral("Save")); });
        editor = addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    }

    void TearDown() override
    {
        actions.reset();
        AppModelTest::TearDown();
    }

    void startPanel()
    {
        start();
        actions = std::make_unique<PanelActions>(*model, *presenter);
    }

    QMessageBox *alert() const { return presenter->activeAlert(); }

    void publishError(const QString &title, const QString &message)
    {
        AppModelTestSeam(model).setActiveError(
            UserFacingError{QUuid::createUuid(), title, message});
    }

    // Holds the next scan of the running applications on the window service's thread.
    struct Held {
        std::function<void()> reached;
        std::function<void()> release;
    };
    Held holdNextScan()
    {
        auto gate = std::make_shared<QSemaphore>(0);
        auto held = std::make_shared<std::atomic<bool>>(false);
        desktop.setHook([gate, held](const FakeCall &call) {
            if (call.kind == FakeCall::Kind::applications && !held->exchange(true)) {
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

TEST_F(PanelActionsTest, ACaptureOpensTheSaveWindowOnlyWhenItIsReady)
{
    startPanel();
    Held scan = holdNextScan();
    actions->saveCurrentLayout();
    scan.reached();
    EXPECT_EQ(model->restoreStatus().busy, OperationKind::capturing);
    EXPECT_FALSE(isOpen(WindowID::saveLayout));
    scan.release();
    ASSERT_TRUE(waitUntil([&] { return isOpen(WindowID::saveLayout); }));
    EXPECT_TRUE(model->windowRequests().pendingCapture.has_value());
    EXPECT_EQ(model->restoreStatus().busy, std::nullopt);
}

TEST_F(PanelActionsTest, ARefusedOrFailedCaptureOpensNothing)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        const char *alert;
    };
    const Case cases[] = {
        {"no trust", [&] { setTrust(false); }, "Accessibility Access Needed"},
        {"nothing to capture", [&] { desktop.removeElement(editor[0]); },
         "Couldn’t Capture Windows"},
    };
    startPanel();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        actions->saveCurrentLayout();
        ASSERT_TRUE(waitUntil([&] {
            return model->windowRequests().activeError.has_value() && !model->restoreStatus().busy;
        }));
        settle();
        EXPECT_EQ(model->windowRequests().activeError->title, QString::fromUtf8(c.alert));
        EXPECT_FALSE(isOpen(WindowID::saveLayout));
        EXPECT_FALSE(model->windowRequests().pendingCapture.has_value());
        presenter->answerAlert("OK");
        setTrust(true);
    }
}

TEST_F(PanelActionsTest, ACaptureThatEndsAfterItsStarterIsGoneStillOpensTheSaveWindow)
{
    startPanel();
    Held scan = holdNextScan();
    actions->saveCurrentLayout();
    scan.reached();
    // The panel, and with it whatever started the capture, goes away meanwhile.
    actions.reset();
    scan.release();
    ASSERT_TRUE(waitUntil([&] { return isOpen(WindowID::saveLayout); }));
    EXPECT_TRUE(model->windowRequests().pendingCapture.has_value());
}

TEST_F(PanelActionsTest, DeletingAsksFirstAndDeletesOnlyOnDelete)
{
    enum class Answer { remove, cancel, escape };
    struct Case {
        Answer answer;
        bool deleted;
    };
    startPanel();
    for (const Case c :
         {Case{Answer::cancel, false}, Case{Answer::escape, false}, Case{Answer::remove, true}}) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        const Layout desk = saveCurrentWindows("<b>R&D</b>");
        actions->confirmDelete(desk);
        QMessageBox *box = alert();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Delete Layout?");
        EXPECT_EQ(box->informativeText(), "Delete “<b>R&D</b>”? Your windows stay open.");
        // The name is data: shown as it is, never as markup.
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        auto *informative = box->findChild<QLabel *>("qt_msgbox_informativelabel");
        ASSERT_NE(informative, nullptr);
        EXPECT_EQ(informative->textFormat(), Qt::PlainText);
        switch (c.answer) {
        case Answer::remove:
            presenter->answerAlert("Delete");
            break;
        case Answer::cancel:
            presenter->answerAlert("Cancel");
            break;
        case Answer::escape: {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &escape);
            break;
        }
        }
        ASSERT_TRUE(waitUntil([&] { return model->savedData().pendingMutations.isEmpty(); }));
        settle();
        EXPECT_EQ(model->layout(desk.id).has_value(), !c.deleted);
        EXPECT_EQ(rows("SELECT name FROM layouts").size(), c.deleted ? 0 : 1);
        EXPECT_EQ(alert(), nullptr);
        if (!c.deleted) {
            await(model->deleteLayout(desk.id));
        }
    }
}

TEST_F(PanelActionsTest, AFailedDeletionShowsTheModelsMessageUnderTheLayoutsName)
{
    startPanel();
    const Layout desk = saveCurrentWindows("Desk");
    actions->confirmDelete(desk);
    // The model refuses once the user has confirmed: a capture runs by then.
    const std::function<void()> release = holdCapture();
    presenter->answerAlert("Delete");
    ASSERT_TRUE(waitUntil([&] { return alert() != nullptr; }));
    EXPECT_EQ(alert()->text(), "Couldn’t Delete “Desk”");
    EXPECT_EQ(alert()->informativeText(), "Wait for the current operation to finish.");
    presenter->answerAlert("OK");
    release();
    EXPECT_TRUE(model->layout(desk.id).has_value());
}

TEST_F(PanelActionsTest, AConfirmationLeftOpenWhenItsStarterGoesAwayIsClean)
{
    startPanel();
    const Layout desk = saveCurrentWindows("Desk");
    actions->confirmDelete(desk);
    ASSERT_NE(alert(), nullptr);
    actions.reset();
    presenter->answerAlert("Delete");
    ASSERT_TRUE(waitUntil([&] { return !model->layout(desk.id).has_value(); }));
}

TEST_F(PanelActionsTest, TheErrorAlertFollowsTheModelsError)
{
    startPanel();
    publishError("Accessibility Access Needed", "Enable <b>access</b> & recheck.");
    QMessageBox *box = alert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Accessibility Access Needed");
    EXPECT_EQ(box->informativeText(), "Enable <b>access</b> & recheck.");
    EXPECT_EQ(actions->shownErrorID(), model->windowRequests().activeError->id);

    // The same error published again changes nothing.
    AppModelTestSeam(model).setActiveError(model->windowRequests().activeError);
    EXPECT_EQ(alert(), box);

    // A newer error while the alert is up takes its place; dismissing clears that one.
    publishError("No Displays Available", "Ostrel could not read any connected displays.");
    EXPECT_EQ(alert(), box);
    EXPECT_EQ(box->text(), "No Displays Available");
    presenter->answerAlert("OK");
    settle();
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);
    EXPECT_EQ(alert(), nullptr);

    // Cleared by the model while shown: the alert goes with it.
    publishError("Saving Exclusions", "Try again shortly.");
    ASSERT_NE(alert(), nullptr);
    AppModelTestSeam(model).setActiveError(std::nullopt);
    settle();
    EXPECT_EQ(alert(), nullptr);
}

TEST_F(PanelActionsTest, DismissingTheAlertKeepsAnErrorPublishedWhileItCloses)
{
    startPanel();
    publishError("First", "One.");
    QMessageBox *box = alert();
    ASSERT_NE(box, nullptr);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [&] { publishError("Second", "Two."); });
    presenter->answerAlert("OK");
    settle();
    ASSERT_TRUE(model->windowRequests().activeError.has_value());
    EXPECT_EQ(model->windowRequests().activeError->title, "Second");
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->text(), "Second");
    presenter->answerAlert("OK");
    settle();
    EXPECT_EQ(model->windowRequests().activeError, std::nullopt);
}
