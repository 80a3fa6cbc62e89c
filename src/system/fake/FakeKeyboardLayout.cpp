#include "system/fake/FakeKeyboardLayout.h"

#include <QList>

namespace ostrel {

FakeKeyboardLayout::FakeKeyboardLayout(QHash<quint32, QString> prints) : prints_(std::move(prints)) {}

void FakeKeyboardLayout::switchLayout(QHash<quint32, QString> prints)
{
    QList<std::function<void()>> subscribers;
    {
        std::lock_guard lock(mutex_);
        prints_ = std::move(prints);
        subscribers = subscribers_.values();
    }
    for (const auto &changed : subscribers) {
        changed();
    }
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
    std::lock_guard lock(mutex_);
    const int id = nextSubscription_++;
    subscribers_.insert(id, std::move(changed));
    return id;
}

void FakeKeyboardLayout::unsubscribe(int subscription)
{
    std::lock_guard lock(mutex_);
    subscribers_.remove(subscription);
}

} // namespace ostrel
