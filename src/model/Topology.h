#pragma once

#include "model/CurrentDisplay.h"
#include "model/DisplaySnapshot.h"

#include <QList>
#include <QString>

namespace ostrel {

// The signature text that recognises one display arrangement: automation restores a linked
// layout when the connected displays give the same text again. Signatures are compared whole
// and exactly; a change of the visible frame, name or window-server number alone keeps it.
namespace Topology {

QString signature(const QList<DisplaySnapshot> &displays);
QString signature(const QList<CurrentDisplay> &displays);

// The displays in signature order: frame x, then frame y, then key as text; stable. Display
// descriptions ("Display 2 · …") count positions in this order too.
QList<DisplaySnapshot> sorted(const QList<DisplaySnapshot> &displays);

} // namespace Topology

} // namespace ostrel
