#include "system/fake/FakeKeyboardLayout.h"

namespace ostrel {

FakeKeyboardLayout::FakeKeyboardLayout(QHash<quint32, QString> prints)
    : prints_(std::move(prints))
{
}

void FakeKeyboardLayout::switchLayout(QHash<quint32, QString> prints)
{
    {
        std::lock_guard lock(mutex_);
        prints_ = std::move(prints);
    }
    subscribers_.notify();
}

int FakeKeyboardLayout::printCount(quint32 keyCode)
{
    std::lock_guard lock(mutex_);
    return printCounts_.value(keyCode);
}

void FakeKeyboardLayout::setAfterLookup(std::function<void(quint32)> hook)
{
    std::lock_guard lock(mutex_);
    afterLookup_ = std::move(hook);
}

std::optional<QString> FakeKeyboardLayout::print(quint32 keyCode)
{
    std::optional<QString> answer;
    std::function<void(quint32)> hook;
    {
        std::lock_guard lock(mutex_);
        ++printCounts_[keyCode];
        const auto found = prints_.constFind(keyCode);
        if (found != prints_.constEnd()) {
            answer = *found;
        }
        hook = afterLookup_;
    }
    if (hook) {
        hook(keyCode);
    }
    return answer;
}

int FakeKeyboardLayout::subscribe(std::function<void()> changed)
{
    return subscribers_.subscribe(std::move(changed));
}

void FakeKeyboardLayout::unsubscribe(int subscription)
{
    subscribers_.unsubscribe(subscription);
}

} // namespace ostrel
