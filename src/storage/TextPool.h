#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <unordered_map>

namespace ostrel {

// The texts of one read of the library, each held once. A library repeats a few texts over and
// over (application identifiers and names, roles, display keys): every row that carries one
// shares its one copy instead of making its own, which keeps a large library small in memory and
// spares converting the same bytes again for every row.
class TextPool {
public:
    // The UTF-8 bytes as text; equal bytes give the same shared text.
    QString text(std::string_view utf8);

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view bytes) const noexcept
        {
            return std::hash<std::string_view>{}(bytes);
        }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> texts_;
};

} // namespace ostrel
