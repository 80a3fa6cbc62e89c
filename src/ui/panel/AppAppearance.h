#pragma once

#include "model/AppearancePreference.h"

#include <QObject>
#include <QPointer>

#include <optional>

class QWidget;

namespace ostrel {

class AppModel;
class SystemAppearanceObserver;
struct ViewEnvironment;

// Carries the user's appearance choice into one top-level window: the window gets the light or
// the dark palette explicitly ("system" takes the one the desktop's appearance picks), and takes
// the other the moment the choice or the desktop's appearance changes, so the window and every
// child repaint. A change that resolves to the palette already in place writes nothing. It only
// reads the choice; the settings window is what changes it.
class AppAppearance : public QObject {
    Q_OBJECT

public:
    // Attaches to `window`, which owns the attachment; applies the palette at once. The model and
    // the observer may be absent (tests): no model means "system", no observer means light.
    static AppAppearance *attach(QWidget *window, const ViewEnvironment &environment);
    // The attachment of a window, if any.
    static AppAppearance *of(const QWidget *window);

    // Whether the preference and the desktop resolve to dark.
    static bool resolvesDark(AppearancePreference preference, bool systemIsDark);

    // The palette in place: whether it is the dark one.
    bool isDark() const { return applied_.value_or(false); }

private:
    AppAppearance(QWidget *window, AppModel *model, SystemAppearanceObserver *observer);

    void apply();

    QWidget *window_;
    QPointer<AppModel> model_;
    QPointer<SystemAppearanceObserver> observer_;
    std::optional<bool> applied_;
};

} // namespace ostrel
