#include "storage/TextPool.h"

namespace ostrel {

QString TextPool::text(std::string_view utf8)
{
    if (const auto found = texts_.find(utf8); found != texts_.end()) {
        return found->second;
    }
    QString made = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    texts_.emplace(std::string(utf8), made);
    return made;
}

} // namespace ostrel
