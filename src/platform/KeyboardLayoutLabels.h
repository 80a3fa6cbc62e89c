#pragma once

#include "model/KeyLabelSource.h"
#include "system/KeyboardLayoutSource.h"

#include <QHash>
#include <QMutex>
#include <QString>

#include <memory>
#include <optional>

namespace ostrel {

// The labels that the current keyboard layout prints on keys, cached per key code until the
// layout changes. Shortcut texts are formed on every redraw of a badge, so after the first request
// a label is a locked lookup. The program hands it, as the key-label source, to whatever formats
// shortcut texts.
class KeyboardLayoutLabels final : public KeyLabelSource,
                                   public std::enable_shared_from_this<KeyboardLayoutLabels> {
public:
    // The layout source must outlive the labels.
    static std::shared_ptr<KeyboardLayoutLabels> create(KeyboardLayoutSource &layout);
    ~KeyboardLayoutLabels() override;

    // The key's label in the current layout, or nothing when the layout gives no usable one (that
    // answer is cached too). Any thread.
    std::optional<QString> name(quint32 keyCode);
    std::optional<QString> label(quint32 keyCode) override { return name(keyCode); }

    // Forgets every label: the layout has changed. Any thread.
    void clear();

    // What the layout prints on the key, made fit for a label: nothing for control characters
    // and blanks, surrounding whitespace removed, letters in upper case.
    static std::optional<QString> translate(KeyboardLayoutSource &layout, quint32 keyCode);

private:
    explicit KeyboardLayoutLabels(KeyboardLayoutSource &layout);

    KeyboardLayoutSource &layout_;
    int subscription_ = 0;
    QMutex lock_;
    QHash<quint32, std::optional<QString>> cache_;
    // Counts the clears, so that a label translated before a layout change is not stored after it.
    quint64 generation_ = 0;
};

} // namespace ostrel
