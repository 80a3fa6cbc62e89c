#pragma once

#include "system/SystemAppearance.h"

#include <QObject>

namespace ostrel {

// Whether the desktop shows a dark appearance now, for the views that resolve the user's "system"
// appearance choice: the desktop's stated preference where it has one, else the program's own
// palette. `isDarkChanged` fires only on a real switch. Main thread only.
class SystemAppearanceObserver : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isDark READ isDark NOTIFY isDarkChanged)

public:
    // `appearance` may be null (no desktop preference) and must outlive the observer.
    explicit SystemAppearanceObserver(SystemAppearance *appearance = nullptr,
                                      QObject *parent = nullptr);

    bool isDark() const { return isDark_; }

signals:
    void isDarkChanged(bool isDark);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool currentIsDark() const;
    // Looks again on the next turn of the event loop, as the change may be mid-way.
    void refreshLater();

    SystemAppearance *appearance_;
    bool isDark_ = false;
};

} // namespace ostrel
