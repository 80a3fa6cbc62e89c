#pragma once

#include "model/AutomationDeferral.h"
#include "model/CurrentDisplay.h"
#include "system/Clock.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace ostrel {

class DisplayEvents;
class PowerEvents;

// Decides when a change of the display setup has settled. After a wake or a display change it
// looks at the connected displays every 0.4 s and reports them once their topology signature
// has stayed the same for 2.0 s; it gives up 10.0 s after the first change of a burst, ignores
// a setup the model acted on less than 30.0 s before, drops a settle while the model still
// handles the previous one, and stands still while the login session is not eligible. It knows
// nothing of layouts; the model, its only client, decides what a settled setup means.
// Main thread only.
class AutomationService : public QObject {
    Q_OBJECT

public:
    using DisplayReader = std::function<QList<CurrentDisplay>()>;

    static constexpr Clock::Duration quietInterval = seconds(2.0);
    static constexpr Clock::Duration maximumSettle = seconds(10.0);
    static constexpr Clock::Duration repeatSuppression = seconds(30.0);
    static constexpr Clock::Duration pollInterval = seconds(0.4);

    // `clock` and the event sources must outlive the service.
    AutomationService(Clock &clock, DisplayReader readDisplays, PowerEvents &power,
                      DisplayEvents &displays, QObject *parent = nullptr);
    ~AutomationService() override;

    // Called once per accepted settle with the displays read at that moment.
    std::function<void(const QList<CurrentDisplay> &)> onStableDisplays;
    // Called when a burst of changes is given up.
    std::function<void(AutomationDeferral)> onDeferred;

    // Starts following wake and display changes; later calls do nothing.
    void start();

    // The model starts an automatic restore for a settled setup with this signature.
    void didAcceptTrigger(const QString &signature);
    // Ends a running wait without a report; the in-flight flag and the last accepted setup stay.
    void cancelSettling();

    bool eligible() const { return eligible_; }
    // Written by the model from its session eligibility. A change seen while not eligible (the
    // display changing during sleep, the wake itself) is waited for once eligibility returns.
    void setEligible(bool eligible);

    bool inFlight() const { return inFlight_; }
    void setInFlight(bool inFlight) { inFlight_ = inFlight; }

    std::optional<QString> lastAcceptedSignature() const { return lastAcceptedSignature_; }
    void setLastAcceptedSignature(std::optional<QString> signature);
    std::optional<Clock::TimePoint> lastAcceptedAt() const { return lastAcceptedAt_; }
    // The model moves it to the end of an automatic pass, so suppression counts from there.
    void setLastAcceptedAt(std::optional<Clock::TimePoint> when) { lastAcceptedAt_ = when; }

    bool isSettling() const { return settling_; }

private:
    void schedule();
    void endWait();
    static QCoro::Task<void> waitForStableTopology(QPointer<AutomationService> service,
                                                   quint64 wait);

    Clock &clock_;
    DisplayReader readDisplays_;
    PowerEvents &power_;
    DisplayEvents &displays_;

    bool settling_ = false;
    // Which wait is current: a cancelled wait finds a newer number when its sleep ends.
    quint64 wait_ = 0;
    std::optional<Clock::TimePoint> burstStart_;
    std::optional<Clock::TimePoint> lastChange_;
    std::optional<QString> lastAcceptedSignature_;
    std::optional<Clock::TimePoint> lastAcceptedAt_;
    bool inFlight_ = false;
    bool started_ = false;
    bool eligible_ = true;
    bool missedWhileIneligible_ = false;
};

} // namespace ostrel
