#pragma once

#include "system/AccessibilityElements.h"
#include "system/AccessibilityTrust.h"
#include "system/ApplicationEvents.h"
#include "system/DisplayEvents.h"
#include "system/HotKeyRegistry.h"
#include "system/KeyboardLayoutSource.h"
#include "system/PointerButtons.h"
#include "system/RunningApplications.h"
#include "system/ScreenList.h"
#include "system/SystemBackend.h"
#include "system/WindowServerList.h"
#include "system/x11/SteadyClock.h"

namespace ostrel {

// The desktop the program stands on when no X server answers (a Wayland-only session, or a
// display that went away before the start): no access, no screens, no windows, no applications.
// The program still starts on it, so the panel can say why nothing works instead of the process
// dying. Hot keys are accepted and kept, so stored shortcuts stay as they are, but none can ever
// be pressed. Display and application events stay silent.
class UnavailableDesktop final : public AccessibilityTrust,
                                 public AccessibilityElements,
                                 public RunningApplications,
                                 public WindowServerList,
                                 public ScreenList,
                                 public PointerButtons,
                                 public HotKeyRegistry,
                                 public KeyboardLayoutSource {
public:
    SystemBackend backend();
    DisplayEvents &displayEvents() { return displayEvents_; }
    ApplicationEvents &applicationEvents() { return applicationEvents_; }

    bool isProcessTrusted() override { return false; }

    AXElement applicationElement(qint32 pid) override;
    void setMessagingTimeout(AXElement, double) override {}
    AXAttributeResult copyAttributeValue(AXElement element, const QString &attribute) override;
    AXError setAttributeValue(AXElement element, const QString &attribute,
                              const AXValue &value) override;

    QList<RunningApplication> runningApplications() override { return {}; }
    qint32 ownProcessIdentifier() override;
    std::optional<QString> ownBundleIdentifier() override;

    std::optional<QList<WindowServerRow>> windowList() override { return QList<WindowServerRow>(); }

    QList<Screen> screens() override { return {}; }
    std::optional<quint32> mainDisplayNumber() override { return std::nullopt; }

    quint32 pressedMouseButtons() override { return 0; }

    Installation installHandler(Pressed pressed) override;
    void removeHandler(quint64) override {}
    Registration registerHotKey(quint32 keyCode, quint32 modifiers, HotKeyID id) override;
    HotKeyStatus unregisterHotKey(quint64) override { return HotKeyStatus::success; }

    std::optional<QString> print(quint32) override { return std::nullopt; }
    int subscribe(std::function<void()>) override { return 0; }
    void unsubscribe(int) override {}

private:
    x11::SteadyClock clock_;
    DisplayEvents displayEvents_;
    ApplicationEvents applicationEvents_;
    quint64 nextReference_ = 1;
};

} // namespace ostrel
