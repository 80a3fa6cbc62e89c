#pragma once

#include "system/KeyboardLayoutSource.h"
#include "system/Subscribers.h"

#include <QHash>
#include <QString>

#include <functional>
#include <mutex>

namespace ostrel {

// A keyboard layout given as a table of what each key prints. Keys not in the table print
// nothing. Thread-safe.
class FakeKeyboardLayout final : public KeyboardLayoutSource {
public:
    explicit FakeKeyboardLayout(QHash<quint32, QString> prints = {});

    // The user picks another layout: the table is replaced and every subscriber hears of it on
    // the calling thread.
    void switchLayout(QHash<quint32, QString> prints);
    // How often `print` was asked for this key.
    int printCount(quint32 keyCode);
    // Runs inside `print` after the answer was looked up and before it is returned, so a test can
    // change the layout while a key is being translated.
    void setAfterLookup(std::function<void(quint32)> hook);

    std::optional<QString> print(quint32 keyCode) override;
    int subscribe(std::function<void()> changed) override;
    void unsubscribe(int subscription) override;

private:
    std::mutex mutex_;
    QHash<quint32, QString> prints_;
    QHash<quint32, int> printCounts_;
    std::function<void(quint32)> afterLookup_;
    Subscribers subscribers_;
};

} // namespace ostrel
