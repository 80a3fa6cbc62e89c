#pragma once

#include "AppModelTestSeam.h"
#include "Await.h"
#include "FakeAppServices.h"
#include "Printing.h"

#include "app/AppModel.h"
#include "storage/LayoutStore.h"

#include <QSemaphore>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <iosfwd>
#include <memory>

namespace ostrel {
void PrintTo(const Refusal &refusal, std::ostream *out);
}

namespace ostrel::test {

// The model on a fake desktop with a real store in a temporary folder and a settings file of
// its own. The desktop starts with one 1440 × 900 display and trust granted.
class AppModelTest : public ::testing::Test, protected FakeAppServices {
protected:
    QTemporaryDir dir;
    StorePaths paths;
    std::unique_ptr<AppModel> model;
    // The store the model opened last; owned by the model.
    LayoutStore *openedStore = nullptr;
    // Run before each opening (it may throw instead of opening), and after a successful one
    // (to damage the file between the open and the loads), when set.
    std::function<void()> openFailure;
    std::function<void()> afterOpen;
    int openCount = 0;
    QStringList revealedFolders;
    // Whether the desktop has something that opens a revealed folder.
    bool folderOpens = true;
    int accessibilitySettingsOpened = 0;
    // Every value `busy` and `progress` took, in order: a pass may run to its end before the
    // call that started it returns, so tests look at what was published rather than at a
    // moment in between.
    QList<std::optional<OperationKind>> busyHistory;
    QList<std::optional<RestoreProgress>> progressHistory;
    // The values last recorded: the restore status changes for its other values too.
    std::optional<OperationKind> seenBusy;
    std::optional<RestoreProgress> seenProgress;

    void SetUp() override;
    void TearDown() override;

    AppEnvironment environment();
    // Builds the model and waits for its bootstrap to end.
    AppModel &start();
    void startWithoutWaiting();

    static Screen screen(quint32 number, const RectD &frame, quint32 unit);

    // An application with standard windows at the given frames; returns the window elements.
    QList<AXElement> addApplication(const QString &bundleID, const QString &name,
                                    const QList<RectD> &frames);
    // A capture saved through the model under the name; the layout returned as loaded.
    Layout saveCurrentWindows(const QString &name);

    // Withdraws or grants the desktop's trust and has the model read it again, as the panel's
    // recheck does.
    void setTrust(bool trusted);
    // Dismisses the error alert, if one is shown.
    void dismissError();

    // Real operations stopped while they run, for looking at the state they publish meanwhile. Each
    // returns the release, which lets the operation end and waits until it has.
    // A restore of the selected layout, held at its first call on the desktop.
    std::function<void()> holdRestore();
    // A restore that `begin` starts (a button, a confirmed decision), held the same way.
    std::function<void()> holdRestore(const std::function<void()> &begin);
    // A capture for saving, held at its first call on the desktop.
    std::function<void()> holdCapture();
    // An edit (an exclusion change, a rename, …) held while its write waits for the store.
    std::function<void()> holdEdit(const std::function<void()> &begin);
    // The store fails to open again: a retry shows a storage problem; the release opens it.
    std::function<void()> breakStorage();

    // Holds the store's thread until the returned release is called, so that an edit can be
    // caught while its write waits.
    std::function<void()> holdStore();

    // Runs the event loop for a moment, so that queued signals and finished threads are heard.
    static void settle();
    // Moves virtual time forward in small steps, letting the event loop run between them.
    void advance(double seconds);
    // Whether the decision window of `id` is open.
    bool isOpen(QLatin1StringView id) const;

    // A second connection to the store's file, for checking and damaging what it holds.
    QStringList rows(const QString &sql);
    void execute(const QString &sql);
};

// The model's desktop with one application, "Editor", and its one window; the layout saved
// from it, where a test saves one, is `work`.
class EditorModelTest : public AppModelTest {
protected:
    QList<AXElement> editor;
    Layout work;

    void SetUp() override
    {
        AppModelTest::SetUp();
        editor = addApplication("com.example.editor", "Editor", {{100, 100, 600, 400}});
    }
};

} // namespace ostrel::test
