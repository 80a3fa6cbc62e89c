#include "model/DisplayIdentity.h"

namespace ostrel {

QString DisplayIdentity::key() const
{
    return QStringLiteral("%1-%2-%3").arg(vendor).arg(model).arg(serial != 0 ? serial : unit);
}

size_t qHash(const DisplayIdentity &identity, size_t seed) noexcept
{
    return qHashMulti(seed, identity.vendor, identity.model, identity.serial, identity.unit);
}

} // namespace ostrel
