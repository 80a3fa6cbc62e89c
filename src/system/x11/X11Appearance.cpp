#include "system/x11/X11Appearance.h"

namespace ostrel::x11 {

namespace {

const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

} // namespace

X11Appearance::X11Appearance(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , portal_(std::move(bus))
{
    connect(&portal_, &PortalSettings::valueChanged, this, &X11Appearance::apply);
    portal_.read(appearanceGroup, colorSchemeKey);
}

QMetaObject::Connection X11Appearance::onChanged(QObject *context, std::function<void()> handler)
{
    return connect(this, &X11Appearance::changed, context, std::move(handler));
}

void X11Appearance::apply(const QString &group, const QString &key, const QVariant &value)
{
    if (group != appearanceGroup || key != colorSchemeKey) {
        return;
    }
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    // 1 prefers dark, 2 prefers light; 0 (and anything unknown) states no preference.
    std::optional<bool> dark;
    if (ok && scheme == 1) {
        dark = true;
    } else if (ok && scheme == 2) {
        dark = false;
    }
    if (dark != prefersDark_) {
        prefersDark_ = dark;
        emit changed();
    }
}

} // namespace ostrel::x11
