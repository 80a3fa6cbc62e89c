#pragma once

#include <QString>

#include <optional>

namespace ostrel {

// Where shortcut texts get the label that the current keyboard layout prints on a key. The
// program makes one that follows layout changes and hands it to whatever formats shortcuts;
// without one, texts use the fixed key-name table. Any thread; a source guards its own state.
class KeyLabelSource {
public:
    virtual ~KeyLabelSource() = default;

    // The label of the key in the current layout, or nothing when the layout gives none.
    virtual std::optional<QString> label(quint32 keyCode) = 0;
};

} // namespace ostrel
