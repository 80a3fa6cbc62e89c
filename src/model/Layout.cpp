#include "model/Layout.h"

namespace ostrel {

QSet<QString> Layout::displayKeys() const
{
    QSet<QString> keys;
    for (const DisplaySnapshot &display : displays) {
        keys.insert(display.id());
    }
    return keys;
}

} // namespace ostrel
