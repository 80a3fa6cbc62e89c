#pragma once

#include "Await.h"
#include "Printing.h"
#include "UiTest.h"

#include "system/fake/FakeInstalledApplications.h"
#include "ui/windows/SettingsState.h"
#include "ui/windows/SettingsTabBar.h"
#include "ui/windows/SettingsView.h"

#include <QLabel>
#include <QTest>

namespace ostrel::test {

// The settings window on the model with its fake desktop, real store and settings file, and a
// few installed applications. `open()` opens it as the panel's "Settings…" does.
class SettingsTest : public UiTest {
protected:
    FakeInstalledApplications installed;
    SettingsState *state = nullptr;

    void SetUp() override
    {
        UiTest::SetUp();
        installed.install("org.example.Editor", "Editor");
        installed.install("org.example.Mail", "Mail");
        installed.install("org.example.Terminal", "Terminal");
    }

    ViewEnvironment settingsEnvironment()
    {
        ViewEnvironment environment = viewEnvironment();
        environment.installedApplications = &installed;
        return environment;
    }

    // Starts the model and gives the presenter the window's content.
    void startSettings()
    {
        start();
        state = &registerSettingsWindow(*presenter, settingsEnvironment());
    }

    SettingsView *open()
    {
        presenter->showSettings();
        settle();
        return view();
    }

    SettingsView *open(SettingsView::Page page)
    {
        SettingsView *shown = open();
        if (shown) {
            shown->showPage(page);
            settle();
        }
        return shown;
    }

    void close()
    {
        if (QWidget *window = presenter->window(QStringLiteral("settings"))) {
            window->close();
        }
        settle();
    }

    SettingsView *view() const
    {
        QWidget *window = presenter->window(QStringLiteral("settings"));
        return window ? window->findChild<SettingsView *>() : nullptr;
    }

    template <class T = QWidget>
    T *part(const QString &name) const
    {
        T *found = view() ? view()->findChild<T *>(name) : nullptr;
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    // The texts of the visible labels of a widget, in order.
    static QStringList visibleTexts(const QWidget *root)
    {
        QStringList texts;
        for (const QLabel *label : root->findChildren<QLabel *>()) {
            if (label->isVisibleTo(root->window()) && !label->text().isEmpty()) {
                texts.append(label->text());
            }
        }
        return texts;
    }
};

inline bool shown(const QWidget *widget)
{
    return widget && widget->isVisible();
}

} // namespace ostrel::test
