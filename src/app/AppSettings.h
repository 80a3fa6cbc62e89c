#pragma once

#include "model/AppearancePreference.h"
#include "model/HighlightColor.h"
#include "model/Shortcut.h"

#include <QUuid>

#include <optional>

namespace ostrel {

// The six settings the model keeps in the user's settings file.
struct AppSettings {
    std::optional<QUuid> selectedLayoutID;
    bool automationEnabled = false;
    bool restoreFlashEnabled = true;
    HighlightColor highlightColor = HighlightColor::blue;
    std::optional<Shortcut> globalShortcut; // as configured, registered or not
    AppearancePreference appearance = AppearancePreference::system;

    friend bool operator==(const AppSettings &, const AppSettings &) = default;
};

} // namespace ostrel
