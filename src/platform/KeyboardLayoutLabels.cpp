#include "platform/KeyboardLayoutLabels.h"

#include <QMutexLocker>

namespace ostrel {

KeyboardLayoutLabels::KeyboardLayoutLabels(KeyboardLayoutSource &layout)
    : layout_(layout)
{
}

std::shared_ptr<KeyboardLayoutLabels> KeyboardLayoutLabels::create(KeyboardLayoutSource &layout)
{
    std::shared_ptr<KeyboardLayoutLabels> labels(new KeyboardLayoutLabels(layout));
    // The layout source may report a change on any thread; it must not keep the labels alive.
    std::weak_ptr<KeyboardLayoutLabels> weak = labels;
    labels->subscription_ = layout.subscribe([weak] {
        if (const auto alive = weak.lock()) {
            alive->clear();
        }
    });
    return labels;
}

KeyboardLayoutLabels::~KeyboardLayoutLabels()
{
    layout_.unsubscribe(subscription_);
}

std::optional<QString> KeyboardLayoutLabels::name(quint32 keyCode)
{
    quint64 generation = 0;
    {
        QMutexLocker locker(&lock_);
        const auto found = cache_.constFind(keyCode);
        if (found != cache_.constEnd()) {
            return *found;
        }
        generation = generation_;
    }
    // The layout is consulted outside the lock: two callers may translate the same key at once,
    // and the later store wins.
    std::optional<QString> label = translate(layout_, keyCode);
    QMutexLocker locker(&lock_);
    if (generation_ == generation) {
        cache_.insert(keyCode, label);
    }
    return label;
}

void KeyboardLayoutLabels::clear()
{
    QMutexLocker locker(&lock_);
    cache_.clear();
    ++generation_;
}

std::optional<QString> KeyboardLayoutLabels::translate(KeyboardLayoutSource &layout,
                                                       quint32 keyCode)
{
    if (keyCode > 0xFFFF) {
        return std::nullopt;
    }
    const std::optional<QString> printed = layout.print(keyCode);
    if (!printed || printed->isEmpty()) {
        return std::nullopt;
    }
    const char32_t first = printed->toUcs4().value(0);
    const bool newline = first == U'\u2028' || first == U'\u2029';
    if (QChar::category(first) == QChar::Other_Control || newline) {
        return std::nullopt;
    }
    const QString trimmed = printed->trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    return trimmed.toUpper();
}

} // namespace ostrel
