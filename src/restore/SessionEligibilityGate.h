#pragma once

#include <QMutex>
#include <QString>

#include <optional>

namespace ostrel {

// Whether the login session lets an automatic restore move windows, shared between the model
// (which writes it when the session changes) and a running automatic pass (which only reads).
// Each read takes the lock on its own; nothing holds it across an await.
class SessionEligibilityGate {
public:
    SessionEligibilityGate() = default;
    SessionEligibilityGate(bool eligible, std::optional<QString> reason);

    void set(bool eligible, std::optional<QString> reason);
    bool eligible() const;
    std::optional<QString> reason() const;

private:
    mutable QMutex lock_;
    bool eligible_ = true;
    std::optional<QString> reason_;
};

} // namespace ostrel
