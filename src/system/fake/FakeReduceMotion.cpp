#include "system/fake/FakeReduceMotion.h"

namespace ostrel {

FakeReduceMotion::FakeReduceMotion(bool initial, QObject *parent)
    : QObject(parent)
    , value_(initial)
{
}

bool FakeReduceMotion::reduceMotion() const
{
    return value_;
}

QMetaObject::Connection FakeReduceMotion::onChanged(QObject *context,
                                                    std::function<void(bool)> handler)
{
    return connect(this, &FakeReduceMotion::changed, context, std::move(handler));
}

void FakeReduceMotion::set(bool value)
{
    if (value == value_) {
        return;
    }
    value_ = value;
    emit changed(value);
}

} // namespace ostrel
