// The program ends while the restore flash still shows: the flash goes first, then the
// application object, and the event loop never runs again, as when a user quits right after a
// restore. Nothing of the flash may be left behind: the leak checker of the sanitizer build
// looks at this process when it exits, so each case runs in a process of its own and the
// application object is this test's own.

#include "Await.h"

#include "platform/RestoredWindowFlashService.h"
#include "platform/RestoredWindowFlashView.h"
#include "system/x11/SteadyClock.h"

#include <QApplication>
#include <QPointer>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>

using namespace ostrel;

namespace {

// One window on screen. While held, a read waits until it is let go, so the flash's tracking can
// be caught in the middle of a read.
class HeldWindowList : public WindowServerList {
public:
    std::optional<QList<WindowServerRow>> windowList() override
    {
        std::unique_lock lock(mutex_);
        if (held_) {
            ++readsWhileHeld_;
            letGo_.wait(lock, [this] { return !held_; });
        }
        return QList<WindowServerRow>{{1234, 0x400010, 0, 1.0, RectD{100, 100, 400, 300}}};
    }

    void hold()
    {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void letGo()
    {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        letGo_.notify_all();
    }
    int readsWhileHeld()
    {
        std::lock_guard lock(mutex_);
        return readsWhileHeld_;
    }

private:
    std::mutex mutex_;
    std::condition_variable letGo_;
    bool held_ = false;
    int readsWhileHeld_ = 0;
};

enum class Moment { tasksSleep, trackingReads };

void quitDuringFlash(Moment moment)
{
    int argc = 1;
    char name[] = "flash-at-exit";
    char *argv[] = {name, nullptr};
    auto application = std::make_unique<QApplication>(argc, argv);
    // The program's own clock: its sleeps are timers of the event loop.
    x11::SteadyClock clock;
    HeldWindowList windowList;
    OverlayWindowRegistry overlays;
    auto flash = std::make_unique<RestoredWindowFlashService>(windowList, clock, overlays);
    flash->flash({{{100, 100, 400, 300}, 0x400010}}, HighlightColor::blue);
    const QPointer<RestoredWindowFlashView> panel = flash->panels().value(0).panel;
    ASSERT_TRUE(panel);
    ASSERT_TRUE(flash->isTracking());

    if (moment == Moment::trackingReads) {
        windowList.hold();
        ASSERT_TRUE(test::waitUntil([&] { return windowList.readsWhileHeld() != 0; }));
        ASSERT_EQ(windowList.readsWhileHeld(), 1) << "the tracking's first read after its period";
        // Its answer arrives while the program is ending, and is never picked up.
        windowList.letGo();
    }

    flash.reset();
    EXPECT_TRUE(panel.isNull());
    application.reset();
}

} // namespace

TEST(FlashAtExit, WhileItsTasksSleep)
{
    quitDuringFlash(Moment::tasksSleep);
}

TEST(FlashAtExit, WhileItsTrackingReadsTheWindowList)
{
    quitDuringFlash(Moment::trackingReads);
}
