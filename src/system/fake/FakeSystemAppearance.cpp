#include "system/fake/FakeSystemAppearance.h"

namespace ostrel {

FakeSystemAppearance::FakeSystemAppearance(std::optional<bool> prefersDark, QObject *parent)
    : QObject(parent)
    , value_(prefersDark)
{
}

std::optional<bool> FakeSystemAppearance::prefersDark() const
{
    return value_;
}

QMetaObject::Connection FakeSystemAppearance::onChanged(QObject *context,
                                                        std::function<void()> handler)
{
    return connect(this, &FakeSystemAppearance::changed, context, std::move(handler));
}

void FakeSystemAppearance::set(std::optional<bool> prefersDark)
{
    value_ = prefersDark;
    emit changed();
}

} // namespace ostrel
