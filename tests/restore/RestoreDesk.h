#pragma once

#include "Await.h"
#include "TestApplication.h"
#include "model/Layout.h"
#include "platform/DisplayService.h"
#include "platform/WindowService.h"
#include "restore/RestoreService.h"
#include "system/AXAttribute.h"
#include "system/fake/FakeDesktop.h"

#include <QList>
#include <QUuid>

#include <memory>
#include <optional>

namespace ostrel::test {

// A fake desktop with two displays side by side and the services a restore stands on. The
// primary display "Main" has a 25 pt panel at its top; "Side" lies to its right.
class RestoreDesk {
public:
    static constexpr RectD mainFrame{0, 0, 1920, 1080};
    static constexpr RectD mainVisible{0, 25, 1920, 1055};
    static constexpr RectD sideFrame{1920, 0, 1280, 1024};

    RestoreDesk()
    {
        ensureApplication();
        desktop.setScreens({screen(1, QStringLiteral("Main"), mainFrame, mainVisible),
                            screen(2, QStringLiteral("Side"), sideFrame, sideFrame)},
                           1);
    }

    static Screen screen(quint32 serial, const QString &name, RectD frame, RectD visible)
    {
        Screen s;
        s.displayNumber = serial;
        s.name = name;
        s.frame = frame;
        s.visibleFrame = visible;
        s.identity = DisplayIdentity{1, 1, serial, 0};
        s.pixelWidth = qint64(frame.width);
        s.pixelHeight = qint64(frame.height);
        return s;
    }

    static QString mainKey() { return QStringLiteral("1-1-1"); }
    static QString sideKey() { return QStringLiteral("1-1-2"); }

    QList<CurrentDisplay> displays() const { return displayService.currentDisplays(); }

    // An application with one standard window; returns the window.
    AXElement addWindow(const QString &bundleID, const QString &name, RectD frame)
    {
        qint32 pid = pids.value(bundleID);
        if (pid == 0) {
            pid = desktop.addApplication(bundleID, name);
            pids.insert(bundleID, pid);
        }
        return desktop.addWindow(pid, frame);
    }

    RectD frameOf(AXElement window) { return desktop.frame(window).value_or(RectD{}); }

    static WindowEntry entry(const QString &bundleID, const QString &name, RelativeFrame frame,
                             const QString &displayKey = mainKey())
    {
        WindowEntry e;
        e.id = QUuid::createUuid();
        e.bundleID = bundleID;
        e.appName = name;
        e.role = QStringLiteral("AXWindow");
        e.subrole = QStringLiteral("AXStandardWindow");
        e.displayKey = displayKey;
        e.relativeFrame = frame;
        return e;
    }

    // A layout saved on the displays connected now.
    Layout layout(const QList<WindowEntry> &entries, const QString &name = QStringLiteral("Desk"))
    {
        Layout l;
        l.id = QUuid::createUuid();
        l.name = name;
        for (const CurrentDisplay &d : displays()) {
            l.displays.append(DisplaySnapshot::fromCurrent(d));
        }
        l.entries = entries;
        return l;
    }

    RestoreResult restore(const Layout &layout, RestoreOptions options = {},
                          std::shared_ptr<CancellationFlag> flag = {},
                          QSet<QString> exclusions = {})
    {
        if (options.operationID.isNull()) {
            options.operationID = QUuid::createUuid();
        }
        options.layoutID = layout.id;
        if (!flag) {
            flag = std::make_shared<CancellationFlag>();
        }
        return await(service.restore(layout, displays(), exclusions, options, flag,
                                     [this](const RestoreProgress &p) {
                                         progress.append(p);
                                         if (onProgress) {
                                             onProgress(p);
                                         }
                                     }));
    }

    std::optional<RestoreResult> undo(std::shared_ptr<CancellationFlag> flag = {},
                                      QSet<QString> exclusions = {},
                                      std::optional<QList<CurrentDisplay>> given = std::nullopt)
    {
        if (!flag) {
            flag = std::make_shared<CancellationFlag>();
        }
        return await(service.undo(given.value_or(displays()), exclusions, flag,
                                  [this](const RestoreProgress &p) {
                                      progress.append(p);
                                      if (onProgress) {
                                          onProgress(p);
                                      }
                                  }));
    }

    std::optional<UndoInfo> undoInfo() { return await(service.undoInfo()); }

    FakeDesktop desktop;
    WindowService windows{desktop.backend()};
    DisplayService displayService{desktop};
    RestoreService service{windows, desktop.backend(),
                           [this]() { return displayService.currentDisplays(); }};
    QHash<QString, qint32> pids;
    QList<RestoreProgress> progress;
    std::function<void(const RestoreProgress &)> onProgress;
};

} // namespace ostrel::test
