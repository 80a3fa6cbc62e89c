#pragma once

#include "system/SystemAppearance.h"

#include <QObject>

namespace ostrel {

// A light/dark preference that tests set by hand.
class FakeSystemAppearance : public QObject, public SystemAppearance {
    Q_OBJECT

public:
    explicit FakeSystemAppearance(std::optional<bool> prefersDark = std::nullopt,
                                  QObject *parent = nullptr);

    std::optional<bool> prefersDark() const override;
    QMetaObject::Connection onChanged(QObject *context, std::function<void()> handler) override;

    // Sets the preference and notifies, also when it does not change (as a desktop may).
    void set(std::optional<bool> prefersDark);

signals:
    void changed();

private:
    std::optional<bool> value_;
};

} // namespace ostrel
