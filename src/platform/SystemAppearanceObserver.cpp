#include "platform/SystemAppearanceObserver.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace ostrel {

SystemAppearanceObserver::SystemAppearanceObserver(SystemAppearance *appearance, QObject *parent)
    : QObject(parent)
    , appearance_(appearance)
{
    isDark_ = currentIsDark();
    if (appearance_) {
        appearance_->onChanged(this, [this] { refreshLater(); });
    }
    // A palette change (a theme switched without a stated preference) counts too.
    if (QCoreApplication *application = QCoreApplication::instance()) {
        application->installEventFilter(this);
    }
}

bool SystemAppearanceObserver::currentIsDark() const
{
    if (appearance_) {
        if (const std::optional<bool> dark = appearance_->prefersDark()) {
            return *dark;
        }
    }
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        return false;
    }
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness()
        < palette.color(QPalette::WindowText).lightness();
}

bool SystemAppearanceObserver::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == QCoreApplication::instance()
        && event->type() == QEvent::ApplicationPaletteChange) {
        refreshLater();
    }
    return false;
}

void SystemAppearanceObserver::refreshLater()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            // The notified value is not used: the appearance is read afresh.
            const bool dark = currentIsDark();
            if (dark != isDark_) {
                isDark_ = dark;
                emit isDarkChanged(dark);
            }
        },
        Qt::QueuedConnection);
}

} // namespace ostrel
