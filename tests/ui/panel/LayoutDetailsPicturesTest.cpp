#include "UiTest.h"

#include "Await.h"

#include "Screenshots.h"

#include "ui/panel/LayoutDetailsView.h"
#include "ui/panel/ShortcutRecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

// Pictures of the window in the states people meet, light and dark, to be looked at.
class LayoutDetailsPictures : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        desktop.setScreens({screen(1, {0, 0, 1440, 900}, 1), screen(2, {1440, 0, 1920, 1080}, 2)},
                           1);
        start();
        addApplication("org.example.editor", "Editor",
                       {{100, 100, 600, 400}, {1500, 60, 900, 700}});
        addApplication("org.example.terminal", "Terminal", {{40, 500, 720, 360}});
        addApplication("org.mozilla.firefox", "Firefox", {{1800, 100, 1400, 900}});
        addApplication("org.example.viewer",
                       "Document Viewer with an Uncommonly Long Name That Does Not Fit on One Line",
                       {{200, 150, 500, 600}});
        desk = saveCurrentWindows("Desk & Couch <b>");
        LayoutDetailsView::registerContent(viewEnvironment());
    }

    QWidget *open(const QUuid &id)
    {
        model->setManageLayoutID(id);
        presenter->showLayoutDetails();
        QWidget *window = presenter->window(QString(WindowID::layoutDetails));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        settle();
        return window;
    }

    Layout desk;
};

TEST_F(LayoutDetailsPictures, Render)
{
    ASSERT_EQ(await(model->setLayoutShortcut(Shortcut{35, Shortcut::control | Shortcut::option},
                                             desk.id)),
              std::nullopt);
    QWidget *window = open(desk.id);
    renderToPng(window, "layout-details-windows-and-shortcut");

    auto *recorder = window->findChild<ShortcutRecorder *>("shortcut-recorder");
    recorder->record();
    QTest::keyClick(recorder, Qt::Key_K, Qt::ShiftModifier);
    renderToPng(window, "layout-details-recording");
    recorder->cancel();

    auto *field = window->findChild<QLineEdit *>("layout-name-field");
    const Layout other = saveCurrentWindows("Office");
    field->setText("office");
    settle();
    QTest::mouseClick(window->findChild<QAbstractButton *>("rename-layout-button"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil(
        [&] { return window->findChild<LayoutDetailsView *>()->errorMessage().has_value(); }));
    settle();
    auto *form = window->findChild<QScrollArea *>("layout-details-form");
    form->verticalScrollBar()->setValue(form->verticalScrollBar()->maximum());
    renderToPng(window, "layout-details-error");

    model->setManageLayoutID(QUuid::createUuid());
    settle();
    renderToPng(window, "layout-details-unavailable");
    (void)other;
}

} // namespace
} // namespace ostrel::test
