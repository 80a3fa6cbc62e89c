#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace ostrel {

// Why an operation did not do what was asked, in the words the window that asked shows
// inline. Operations answer `std::optional<Refusal>`: none when the work was done. A text
// becomes a refusal where an operation returns it, so `co_return QStringLiteral("…")` reads as
// one; nothing turns a refusal back into a text unasked, so a caller says `refusal->text`.
struct Refusal {
    Refusal(QString reason)
        : text(std::move(reason))
    {
    }

    QString text;

    friend bool operator==(const Refusal &, const Refusal &) = default;
    friend bool operator==(const Refusal &refusal, const QString &text)
    {
        return refusal.text == text;
    }
};

// The text a window shows for an operation's answer: none when the work was done.
inline std::optional<QString> textOf(const std::optional<Refusal> &refusal)
{
    return refusal ? std::optional<QString>(refusal->text) : std::nullopt;
}

} // namespace ostrel
