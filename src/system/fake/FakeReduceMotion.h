#pragma once

#include "system/ReduceMotion.h"

#include <QObject>

namespace ostrel {

// A reduce-motion switch that tests set by hand.
class FakeReduceMotion : public QObject, public ReduceMotion {
    Q_OBJECT

public:
    explicit FakeReduceMotion(bool initial = false, QObject *parent = nullptr);

    bool reduceMotion() const override;
    QMetaObject::Connection onChanged(QObject *context, std::function<void(bool)> handler) override;

    // Changes the value and notifies when it differs from the current one.
    void set(bool value);

signals:
    void changed(bool value);

private:
    bool value_;
};

} // namespace ostrel
