#include "system/x11/X11ReduceMotion.h"

namespace ostrel {

namespace {

const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString reducedMotionKey = QStringLiteral("reduced-motion");
const QString gnomeInterfaceGroup = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");

} // namespace

X11ReduceMotion::X11ReduceMotion(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , portal_(std::move(bus))
{
    connect(&portal_, &x11::PortalSettings::valueChanged, this, &X11ReduceMotion::apply);
    portal_.read(appearanceGroup, reducedMotionKey);
    portal_.read(gnomeInterfaceGroup, animationsKey);
}

bool X11ReduceMotion::reduceMotion() const
{
    return value_;
}

QMetaObject::Connection X11ReduceMotion::onChanged(QObject *context,
                                                   std::function<void(bool)> handler)
{
    return connect(this, &X11ReduceMotion::changed, context, std::move(handler));
}

void X11ReduceMotion::apply(const QString &group, const QString &key, const QVariant &value)
{
    if (group == appearanceGroup && key == reducedMotionKey) {
        // 0 is "no preference", 1 "reduced motion".
        bool ok = false;
        const uint preference = value.toUInt(&ok);
        if (!ok) {
            return;
        }
        appearanceReduced_ = preference == 1;
    } else if (group == gnomeInterfaceGroup && key == animationsKey) {
        if (value.metaType() != QMetaType::fromType<bool>()) {
            return;
        }
        animationsEnabled_ = value.toBool();
    } else {
        return;
    }
    const bool reduced =
        appearanceReduced_ ? *appearanceReduced_ : (animationsEnabled_ && !*animationsEnabled_);
    if (reduced != value_) {
        value_ = reduced;
        emit changed(reduced);
    }
}

} // namespace ostrel
