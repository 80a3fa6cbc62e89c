#include "system/x11/X11Appearance.h"

namespace ostrel::x11 {

namespace {

const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

} // namespace

X11Appearance::X11Appearance(QDBusConnection bus, std::shared_ptr<X11Connection> connection,
                             QObject *parent)
    : QObject(parent)
    , portal_(std::move(bus))
    , xsettings_(std::move(connection))
{
    prefersDark_ = prefersDark();
    connect(&portal_, &PortalSettings::valueChanged, this, &X11Appearance::apply);
    connect(&xsettings_, &XSettings::changed, this, [this] {
        const std::optional<bool> dark = prefersDark();
        if (dark != prefersDark_) {
            prefersDark_ = dark;
            emit changed();
        }
    });
    portal_.read(appearanceGroup, colorSchemeKey);
}

bool X11Appearance::isDarkTheme(const QString &name)
{
    // Adwaita-dark, Arc-Dark, Yaru-dark, Breeze-Dark, Mint-Y-Dark, BlackMATE, HighContrastInverse…
    return name.contains(QLatin1String("dark"), Qt::CaseInsensitive)
        || name.contains(QLatin1String("black"), Qt::CaseInsensitive)
        || name.contains(QLatin1String("inverse"), Qt::CaseInsensitive);
}

std::optional<bool> X11Appearance::prefersDark() const
{
    if (portalPrefersDark_) {
        return portalPrefersDark_;
    }
    if (const std::optional<QString> theme = xsettings_.themeName()) {
        return isDarkTheme(*theme);
    }
    return std::nullopt;
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
    portalPrefersDark_ = dark;
    if (prefersDark() != prefersDark_) {
        prefersDark_ = prefersDark();
        emit changed();
    }
}

} // namespace ostrel::x11
