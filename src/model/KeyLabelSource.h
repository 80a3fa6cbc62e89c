#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace ostrel {

// Where shortcut texts get the label that the current keyboard layout prints on a key. The
// platform installs one that follows layout changes; without one, texts use the fixed key-name
// table. Called on the main thread; the installed source guards its own state.
class KeyLabelSource {
public:
    virtual ~KeyLabelSource() = default;

    // The label of the key in the current layout, or nothing when the layout gives none.
    virtual std::optional<QString> label(quint32 keyCode) = 0;

    // The process-wide source; may be replaced or removed (nullptr) at any time, from any thread.
    static void setCurrent(std::shared_ptr<KeyLabelSource> source);
    static std::shared_ptr<KeyLabelSource> current();
};

} // namespace ostrel
